#include "app/reel_number.h"

namespace tandrel {

std::optional<qint64> parseReelNumber(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    auto isBlank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    const QStringView digits = QStringView(text).mid(begin, end - begin);
    qsizetype first = 0;
    if (!digits.isEmpty() && (digits.front() == QLatin1Char('+') || digits.front() == QLatin1Char('-')))
        first = 1;
    if (first >= digits.size())
        return std::nullopt;
    for (qsizetype i = first; i < digits.size(); ++i) {
        const char16_t c = digits.at(i).unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    bool ok = false;
    const qint64 value = digits.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

} // namespace tandrel
