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

void appendEscapedUnit(QByteArray &out, char16_t unit)
{
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(unit));
    out.append(escaped);
}

// JSON's short escape of a code unit; none for units written as they are.
const char *shortEscape(char16_t unit)
{
    switch (unit) {
    case u'"':
        return "\\\"";
    case u'\\':
        return "\\\\";
    case u'\n':
        return "\\n";
    case u'\r':
        return "\\r";
    case u'\t':
        return "\\t";
    case u'\b':
        return "\\b";
    case u'\f':
        return "\\f";
    default:
        return nullptr;
    }
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
        return appendJsonNumber(out, value);
    case QJsonValue::String:
        appendJsonString(out, value.toString());
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
            QString name;
            QByteArray order;
            QJsonValue value;
        };
        QList<Member> members;
        members.reserve(object.size());
        for (auto it = object.constBegin(); it != object.constEnd(); ++it)
            members.append({it.key(), it.key().toUtf8(), it.value()});
        // Byte order of the UTF-8 names, whatever order the object keeps.
        std::stable_sort(members.begin(), members.end(),
                         [](const Member &a, const Member &b) { return a.order < b.order; });
        out.append("{\n");
        for (qsizetype i = 0; i < members.size(); ++i) {
            appendIndent(out, level + 1);
            appendJsonString(out, members.at(i).name);
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

// UTF-8 with JSON's escapes. A lone surrogate has no UTF-8 form: it is written
// as its \u escape, which the reader turns back into the same code unit, so
// that whatever text was read from a library file is written back unchanged.
void appendJsonString(QByteArray &out, QStringView text)
{
    out.append('"');
    qsizetype plain = 0; // start of the run not written yet
    const auto writePlain = [&](qsizetype end) {
        if (end > plain)
            out.append(text.mid(plain, end - plain).toUtf8());
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text.at(i).unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        const char *escape = shortEscape(unit);
        if (!escape && unit >= 0x20 && !QChar::isSurrogate(unit))
            continue;
        writePlain(i);
        if (escape)
            out.append(escape);
        else
            appendEscapedUnit(out, unit);
        plain = i + 1;
    }
    writePlain(text.size());
    out.append('"');
}

bool appendJsonNumber(QByteArray &out, const QJsonValue &value)
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

LibraryResult<QByteArray> toPrettyJson(const QJsonValue &value)
{
    QByteArray out;
    out.reserve(4096);
    if (!appendValue(out, value, 0))
        return LibraryError::Kind::numberNotFinite;
    out.append('\n');
    return out;
}

} // namespace tandrel
