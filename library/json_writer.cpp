#include "library/json_writer.h"

#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace tandrel {

namespace {

void appendIndent(QByteArray &out, int level)
{
    out.append(level * 4, ' ');
}

void appendString(QByteArray &out, const QByteArray &utf8)
{
    out.append('"');
    for (const char c : utf8) {
        switch (c) {
        case '"':
            out.append("\\\"");
            break;
        case '\\':
            out.append("\\\\");
            break;
        case '\n':
            out.append("\\n");
            break;
        case '\r':
            out.append("\\r");
            break;
        case '\t':
            out.append("\\t");
            break;
        case '\b':
            out.append("\\b");
            break;
        case '\f':
            out.append("\\f");
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
                out.append(escaped);
            } else {
                out.append(c);
            }
        }
    }
    out.append('"');
}

bool appendNumber(QByteArray &out, const QJsonValue &value)
{
    // Integers (and integral doubles, which the JSON value keeps as integers)
    // print exactly; toInteger gives the fallback for anything else.
    constexpr qint64 notAnInteger = std::numeric_limits<qint64>::min();
    const qint64 integer = value.toInteger(notAnInteger);
    const double d = value.toDouble();
    if (integer != notAnInteger || d == double(notAnInteger)) {
        out.append(QByteArray::number(integer));
        return true;
    }
    if (!std::isfinite(d))
        return false;
    char buffer[64];
    // Without a format, to_chars gives the shortest text that reads back exactly.
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, d);
    if (ec != std::errc())
        return false;
    out.append(buffer, end - buffer);
    return true;
}

bool appendValue(QByteArray &out, const QJsonValue &value, int level)
{
    switch (value.type()) {
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        out.append("null");
        return true;
    case QJsonValue::Bool:
        out.append(value.toBool() ? "true" : "false");
        return true;
    case QJsonValue::Double:
        return appendNumber(out, value);
    case QJsonValue::String:
        appendString(out, value.toString().toUtf8());
        return true;
    case QJsonValue::Array: {
        const QJsonArray array = value.toArray();
        if (array.isEmpty()) {
            out.append("[]");
            return true;
        }
        out.append("[\n");
        for (qsizetype i = 0; i < array.size(); ++i) {
            appendIndent(out, level + 1);
            if (!appendValue(out, array.at(i), level + 1))
                return false;
            out.append(i + 1 < array.size() ? ",\n" : "\n");
        }
        appendIndent(out, level);
        out.append(']');
        return true;
    }
    case QJsonValue::Object: {
        const QJsonObject object = value.toObject();
        if (object.isEmpty()) {
            out.append("{}");
            return true;
        }
        struct Member
        {
            QByteArray name;
            QJsonValue value;
        };
        QList<Member> members;
        members.reserve(object.size());
        for (auto it = object.constBegin(); it != object.constEnd(); ++it)
            members.append({it.key().toUtf8(), it.value()});
        // Byte order of the UTF-8 names, whatever order the object keeps.
        std::stable_sort(members.begin(), members.end(),
                         [](const Member &a, const Member &b) { return a.name < b.name; });
        out.append("{\n");
        for (qsizetype i = 0; i < members.size(); ++i) {
            appendIndent(out, level + 1);
            appendString(out, members.at(i).name);
            out.append(" : ");
            if (!appendValue(out, members.at(i).value, level + 1))
                return false;
            out.append(i + 1 < members.size() ? ",\n" : "\n");
        }
        appendIndent(out, level);
        out.append('}');
        return true;
    }
    }
    return false;
}

} // namespace

Result<QByteArray> toPrettyJson(const QJsonValue &value)
{
    QByteArray out;
    out.reserve(4096);
    if (!appendValue(out, value, 0))
        return Result<QByteArray>::failure(QStringLiteral("Eine Zahl ist nicht endlich."));
    out.append('\n');
    return out;
}

} // namespace tandrel
