#include "library/library_json_reader.h"

#include <QTimeZone>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

namespace tandrel {

namespace {

// Members seen in one object; a second one of the same name is left to the
// full decoder, whatever it makes of it.
class Seen
{
public:
    bool first(int index)
    {
        const quint32 bit = 1u << index;
        if (m_bits & bit)
            return false;
        m_bits |= bit;
        return true;
    }
    bool has(int index) const { return m_bits & (1u << index); }
    bool all(int count) const { return m_bits == (1u << count) - 1; }

private:
    quint32 m_bits = 0;
};

// The index of `name` in `names`, or -1.
template<size_t N> int indexOf(QByteArrayView name, const QByteArrayView (&names)[N])
{
    for (size_t i = 0; i < N; ++i) {
        if (name.size() == names[i].size()
            && std::memcmp(name.data(), names[i].data(), size_t(name.size())) == 0)
            return int(i);
    }
    return -1;
}

// What may follow a number or a literal.
bool isDelimiter(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',' || c == ']' || c == '}';
}

// The value of each hexadecimal digit, -1 for any other byte.
constexpr auto hexValues = [] {
    std::array<qint8, 256> values{};
    for (int c = 0; c < 256; ++c)
        values[size_t(c)] = c >= '0' && c <= '9' ? qint8(c - '0')
                : c >= 'a' && c <= 'f'           ? qint8(c - 'a' + 10)
                : c >= 'A' && c <= 'F'           ? qint8(c - 'A' + 10)
                                                 : qint8(-1);
    return values;
}();

int hexValue(char c)
{
    return hexValues[static_cast<unsigned char>(c)];
}

// 10 to the powers 0 to 15, all exact as doubles.
constexpr double powersOfTen[]
        = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// The text of UTF-8 bytes from inside a string. QString::fromUtf8 drops a
// byte order mark at the start of its input; here it is a character (U+FEFF)
// like any other, as the document reader keeps it.
QString utf8Text(const char *bytes, qsizetype size)
{
    QString text;
    while (size >= 3 && std::memcmp(bytes, "\xEF\xBB\xBF", 3) == 0) {
        text.append(QChar(0xFEFF));
        bytes += 3;
        size -= 3;
    }
    return text.isEmpty() ? QString::fromUtf8(bytes, size) : text.append(QString::fromUtf8(bytes, size));
}

// Length of the well-formed UTF-8 sequence at `at` that is no noncharacter,
// or 0.
int utf8Length(const unsigned char *at, const unsigned char *end)
{
    const unsigned char b = at[0];
    int length = 0;
    char32_t code = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        code = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        code = b & 0x0F;
        if (b == 0xE0)
            low = 0xA0;
        if (b == 0xED)
            high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        code = b & 0x07;
        if (b == 0xF0)
            low = 0x90;
        if (b == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (end - at < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        const unsigned char c = at[i];
        if (c < (i == 1 ? low : 0x80) || c > (i == 1 ? high : 0xBF))
            return 0;
        code = (code << 6) | (c & 0x3F);
    }
    if ((code >= 0xFDD0 && code <= 0xFDEF) || (code & 0xFFFE) == 0xFFFE)
        return 0;
    return length;
}

} // namespace

std::optional<QList<ReelProject>> LibraryJsonReader::read(const QByteArray &bytes)
{
    LibraryJsonReader reader(bytes.constData(), bytes.constData() + bytes.size());
    QList<ReelProject> reels;
    if (!reader.readLibrary(reels))
        return std::nullopt;
    return reels;
}

bool LibraryJsonReader::readLibrary(QList<ReelProject> &reels)
{
    skipSpace();
    if (m_at == m_end || *m_at != '[')
        return false;
    const bool read = readArray([&] {
        ReelProject reel;
        if (!readReel(reel))
            return false;
        reels.append(std::move(reel));
        return true;
    });
    if (!read)
        return false;
    skipSpace();
    return m_at == m_end;
}

bool LibraryJsonReader::readReel(ReelProject &reel)
{
    static constexpr QByteArrayView names[]
            = {"createdAt", "cropCenterX", "id", "prefix", "script", "takes", "title", "updatedAt"};
    Seen seen;
    const bool read = readMembers(names, [&](int index) {
        if (index < 0)
            return skipValue(0);
        if (!seen.first(index))
            return false;
        switch (index) {
        case 0:
            return readDate(reel.createdAt);
        case 1:
            return readNumber(reel.cropCenterX);
        case 2:
            return readUuid(reel.id);
        case 3:
            return readInteger(reel.prefix);
        case 4:
            return readString(reel.script);
        case 5: {
            // Gathered where the room stays from reel to reel, then moved
            // into a list of their number.
            m_takes.clear();
            if (!readArray([&] {
                    m_takes.emplace_back();
                    return readTake(m_takes.back());
                }))
                return false;
            reel.takes = QList<Take>(std::make_move_iterator(m_takes.begin()),
                                     std::make_move_iterator(m_takes.end()));
            return true;
        }
        case 6:
            return readString(reel.title);
        default:
            return readDate(reel.updatedAt);
        }
    });
    return read && seen.all(std::size(names));
}

bool LibraryJsonReader::readTake(Take &take)
{
    static constexpr QByteArrayView names[]
            = {"audioFileName", "duration", "id", "recordedAt", "speechIntervals", "videoFileName", "words"};
    Seen seen;
    const bool read = readMembers(names, [&](int index) {
        if (index < 0)
            return skipValue(0);
        if (!seen.first(index))
            return false;
        switch (index) {
        case 0:
            return readOptionalString(take.audioFileName);
        case 1:
            return readNumber(take.duration);
        case 2:
            return readUuid(take.id);
        case 3:
            return readDate(take.recordedAt);
        case 4:
            if (isNull())
                return true;
            m_intervals.clear();
            if (!readArray([&] {
                    SpeechInterval interval;
                    if (!readSpeechInterval(interval))
                        return false;
                    m_intervals.push_back(interval);
                    return true;
                }))
                return false;
            take.speechIntervals = QList<SpeechInterval>(m_intervals.begin(), m_intervals.end());
            return true;
        case 5:
            return readOptionalString(take.videoFileName);
        default:
            if (isNull())
                return true;
            take.words.emplace();
            return readArray([&] {
                WordTime word;
                if (!readWord(word))
                    return false;
                take.words->append(std::move(word));
                return true;
            });
        }
    });
    return read && seen.has(1) && seen.has(2) && seen.has(3);
}

bool LibraryJsonReader::readSpeechInterval(SpeechInterval &interval)
{
    static constexpr QByteArrayView names[] = {"end", "start"};
    Seen seen;
    const bool read = readMembers(names, [&](int index) {
        if (index < 0)
            return skipValue(0);
        if (!seen.first(index))
            return false;
        return readNumber(index == 0 ? interval.end : interval.start);
    });
    return read && seen.all(std::size(names));
}

bool LibraryJsonReader::readWord(WordTime &word)
{
    static constexpr QByteArrayView names[] = {"end", "index", "start", "text"};
    Seen seen;
    const bool read = readMembers(names, [&](int index) {
        if (index < 0)
            return skipValue(0);
        if (!seen.first(index))
            return false;
        switch (index) {
        case 0:
            return readNumber(word.end);
        case 1:
            return readIndex(word.index);
        case 2:
            return readNumber(word.start);
        default:
            return readString(word.text);
        }
    });
    return read && seen.all(std::size(names));
}

// An object's members, `names` those of a record in byte order as the
// writer puts them: each name is first looked for as it stands, the one
// after the last first, and read as any other name only where none is.
// Calls `member(index)` with the name's index in `names`, or -1.
template<size_t N, typename Member>
bool LibraryJsonReader::readMembers(const QByteArrayView (&names)[N], Member member)
{
    skipSpace();
    if (!consume('{'))
        return false;
    skipSpace();
    if (consume('}'))
        return true;
    QByteArray decoded;
    size_t expected = 0;
    for (;;) {
        skipSpace();
        int index = -1;
        for (size_t k = 0; k < N && index < 0; ++k) {
            const size_t i = (expected + k) % N;
            const qsizetype size = names[i].size();
            if (m_end - m_at >= size + 2 && m_at[0] == '"' && m_at[size + 1] == '"'
                && std::equal(m_at + 1, m_at + 1 + size, names[i].data())) {
                m_at += size + 2;
                index = int(i);
            }
        }
        if (index < 0) {
            QByteArrayView name;
            if (!readName(name, decoded))
                return false;
            index = indexOf(name, names);
        }
        expected = size_t(index + 1) % N;
        // " : " as the writer puts it, any other blanks as JSON allows.
        if (m_end - m_at >= 3 && m_at[0] == ' ' && m_at[1] == ':' && m_at[2] == ' ') {
            m_at += 3;
        } else {
            skipSpace();
            if (!consume(':'))
                return false;
        }
        skipSpace();
        if (!member(index))
            return false;
        skipSpace();
        if (consume('}'))
            return true;
        if (!consume(','))
            return false;
    }
}

template<typename Item> bool LibraryJsonReader::readArray(Item item)
{
    skipSpace();
    if (!consume('['))
        return false;
    skipSpace();
    if (consume(']'))
        return true;
    for (;;) {
        skipSpace();
        if (!item())
            return false;
        skipSpace();
        if (consume(']'))
            return true;
        if (!consume(','))
            return false;
    }
}

bool LibraryJsonReader::readString(QString &text)
{
    if (!consume('"'))
        return false;
    text.clear();
    const char *run = m_at; // start of the part not yet in `text`
    bool ascii = true;
    for (;;) {
        passPlainAscii();
        if (m_at == m_end)
            return false;
        const unsigned char c = static_cast<unsigned char>(*m_at);
        if (c == '"') {
            const qsizetype length = m_at - run;
            if (text.isEmpty())
                text = ascii ? QString::fromLatin1(run, length) : utf8Text(run, length);
            else
                text.append(ascii ? QString::fromLatin1(run, length) : utf8Text(run, length));
            ++m_at;
            return true;
        }
        if (c < 0x20)
            return false;
        if (c >= 0x80) {
            const int length = utf8Length(reinterpret_cast<const unsigned char *>(m_at),
                                          reinterpret_cast<const unsigned char *>(m_end));
            if (length == 0)
                return false;
            ascii = false;
            m_at += length;
            continue;
        }
        if (c != '\\') {
            ++m_at;
            continue;
        }
        text.append(ascii ? QString::fromLatin1(run, m_at - run) : utf8Text(run, m_at - run));
        ascii = true;
        ++m_at;
        if (m_at == m_end)
            return false;
        switch (*m_at++) {
        case '"':
            text.append(u'"');
            break;
        case '\\':
            text.append(u'\\');
            break;
        case '/':
            text.append(u'/');
            break;
        case 'b':
            text.append(u'\b');
            break;
        case 'f':
            text.append(u'\f');
            break;
        case 'n':
            text.append(u'\n');
            break;
        case 'r':
            text.append(u'\r');
            break;
        case 't':
            text.append(u'\t');
            break;
        case 'u': {
            if (m_end - m_at < 4)
                return false;
            int unit = 0;
            for (int i = 0; i < 4; ++i) {
                const int digit = hexValue(m_at[i]);
                if (digit < 0)
                    return false;
                unit = unit * 16 + digit;
            }
            m_at += 4;
            // A surrogate stays the code unit it names, paired or not.
            text.append(QChar(char16_t(unit)));
            break;
        }
        default:
            return false;
        }
        run = m_at;
    }
}

// Passes bytes of a string that stand for themselves (printable ASCII but
// '"' and '\\'), eight at a time while there are eight.
void LibraryJsonReader::passPlainAscii()
{
    if constexpr (std::endian::native == std::endian::little) {
        constexpr quint64 ones = 0x0101010101010101ull;
        constexpr quint64 highBits = 0x8080808080808080ull;
        // The high bit of each byte that is zero (exact for bytes below 0x80).
        const auto zeroBytes = [](quint64 word) { return (word - ones) & ~word & highBits; };
        while (m_end - m_at >= 8) {
            quint64 word;
            std::memcpy(&word, m_at, 8);
            const quint64 special = (word & highBits) | ((word - 0x20 * ones) & ~word & highBits)
                    | zeroBytes(word ^ ('"' * ones)) | zeroBytes(word ^ ('\\' * ones));
            if (special != 0) {
                m_at += std::countr_zero(special) / 8;
                return;
            }
            m_at += 8;
        }
    }
}

bool LibraryJsonReader::readName(QByteArrayView &name, QByteArray &decoded)
{
    // Names are plain ASCII in every file this system writes: compared
    // where they stand.
    if (m_at < m_end && *m_at == '"') {
        for (const char *at = m_at + 1; at < m_end; ++at) {
            const unsigned char c = static_cast<unsigned char>(*at);
            if (c == '"') {
                name = QByteArrayView(m_at + 1, at - m_at - 1);
                m_at = at + 1;
                return true;
            }
            if (c < 0x20 || c >= 0x80 || c == '\\')
                break;
        }
    }
    QString text;
    if (!readString(text))
        return false;
    decoded = text.toUtf8();
    name = decoded;
    return true;
}

bool LibraryJsonReader::readOptionalString(std::optional<QString> &text)
{
    if (isNull()) {
        text.reset();
        return true;
    }
    QString value;
    if (!readString(value))
        return false;
    text = std::move(value);
    return true;
}

bool LibraryJsonReader::numberToken(const char *&begin, const char *&end, bool &integral)
{
    const char *at = m_at;
    begin = at;
    integral = true;
    if (at < m_end && *at == '-')
        ++at;
    if (at == m_end || *at < '0' || *at > '9')
        return false;
    if (*at == '0') {
        ++at;
    } else {
        while (at < m_end && *at >= '0' && *at <= '9')
            ++at;
    }
    if (at < m_end && *at == '.') {
        integral = false;
        ++at;
        const char *digits = at;
        while (at < m_end && *at >= '0' && *at <= '9')
            ++at;
        if (at == digits)
            return false;
    }
    if (at < m_end && (*at == 'e' || *at == 'E')) {
        integral = false;
        ++at;
        if (at < m_end && (*at == '+' || *at == '-'))
            ++at;
        const char *digits = at;
        while (at < m_end && *at >= '0' && *at <= '9')
            ++at;
        if (at == digits)
            return false;
    }
    // A number ends at a separator, never inside a word ("1x", "01").
    if (at < m_end && !isDelimiter(*at))
        return false;
    end = at;
    m_at = at;
    return true;
}

// numberToken and the conversion in one pass over the text. A number of at
// most 15 digits without exponent is converted here: its digits are a whole
// number below 2^53 and its divisor a power of ten up to 10^15, both exact
// doubles, so one division rounds it once, as from_chars does.
bool LibraryJsonReader::readNumber(double &value)
{
    const char *const begin = m_at;
    const char *const end = m_end;
    const char *at = m_at;
    const auto isDigit = [&] { return at < end && unsigned(*at - '0') < 10; };
    const bool negative = at < m_end && *at == '-';
    if (negative)
        ++at;
    if (!isDigit())
        return false;
    quint64 digits = 0;
    int count = 0; // digits after any leading zero, at most 16 of them taken
    const auto takeDigits = [&] {
        const char *const first = at;
        for (; isDigit(); ++at) {
            if (count <= 15) {
                digits = digits * 10 + quint64(*at - '0');
                ++count;
            }
        }
        return at - first;
    };
    if (*at == '0')
        ++at;
    else
        takeDigits();
    qsizetype fraction = 0;
    if (at < m_end && *at == '.') {
        ++at;
        fraction = takeDigits();
        if (fraction == 0)
            return false;
    }
    bool exponent = false;
    if (at < m_end && (*at == 'e' || *at == 'E')) {
        exponent = true;
        ++at;
        if (at < m_end && (*at == '+' || *at == '-'))
            ++at;
        if (!isDigit())
            return false;
        while (isDigit())
            ++at;
    }
    // A number ends at a separator, never inside a word ("1x", "01").
    if (at < m_end && !isDelimiter(*at))
        return false;
    m_at = at;
    if (!exponent && count <= 15) {
        if (fraction == 0) {
            // As a whole number in a qint64: "-0" is 0.
            value = double(negative ? -qint64(digits) : qint64(digits));
        } else {
            const double magnitude = double(digits) / powersOfTen[fraction];
            value = negative ? -magnitude : magnitude;
        }
        return true;
    }
    if (fraction == 0 && !exponent) {
        qint64 integer = 0;
        const auto [ptr, ec] = std::from_chars(begin, at, integer);
        if (ec == std::errc() && ptr == at) {
            value = double(integer);
            return true;
        }
    }
    const auto [ptr, ec] = std::from_chars(begin, at, value);
    return ec == std::errc() && ptr == at && std::isfinite(value);
}

bool LibraryJsonReader::readInteger(qint64 &value)
{
    const char *begin = nullptr, *end = nullptr;
    bool integral = false;
    if (!numberToken(begin, end, integral) || !integral)
        return false;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    return ec == std::errc() && ptr == end;
}

// A whole number exactly, another number cut to its whole part.
bool LibraryJsonReader::readIndex(qint64 &value)
{
    const char *begin = nullptr, *end = nullptr;
    bool integral = false;
    if (!numberToken(begin, end, integral))
        return false;
    if (integral && std::from_chars(begin, end, value).ec == std::errc())
        return true;
    double number = 0;
    const auto [ptr, ec] = std::from_chars(begin, end, number);
    if (ec != std::errc() || ptr != end
        || !(number >= -9223372036854775808.0 && number < 9223372036854775808.0))
        return false;
    value = qint64(number);
    return true;
}

// parseLibraryDate's form: "yyyy-MM-ddTHH:mm:ssZ", a valid day and time.
// Such a date has no escapes; any other string is left to the full decoder.
bool LibraryJsonReader::readDate(QDateTime &date)
{
    // Its 20 characters between the quotes allow no escapes.
    if (m_end - m_at < 22 || m_at[0] != '"' || m_at[21] != '"')
        return false;
    const QByteArrayView text(m_at + 1, 20);
    static const char form[] = "dddd-dd-ddTdd:dd:ddZ";
    for (int i = 0; i < 20; ++i) {
        const char c = text[i];
        if (form[i] == 'd' ? (c < '0' || c > '9') : c != form[i])
            return false;
    }
    const auto number = [&](int from, int count) {
        int value = 0;
        for (int i = from; i < from + count; ++i)
            value = value * 10 + (text[i] - '0');
        return value;
    };
    const QDate day(number(0, 4), number(5, 2), number(8, 2));
    const QTime time(number(11, 2), number(14, 2), number(17, 2));
    if (!day.isValid() || !time.isValid())
        return false;
    static const QTimeZone utc = QTimeZone::utc();
    date = QDateTime(day, time, utc);
    m_at += 22;
    return true;
}

// The full decoder's UUID form: 8-4-4-4-12 hexadecimal digits, either case,
// without escapes (any other string is left to the full decoder).
bool LibraryJsonReader::readUuid(QUuid &id)
{
    // Its 36 characters between the quotes allow no escapes.
    if (m_end - m_at < 38 || m_at[0] != '"' || m_at[37] != '"')
        return false;
    const char *const text = m_at + 1;
    if (text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
        return false;
    // Sixteen digits each, the dashes left out; a byte that is no digit
    // makes `invalid` negative.
    const auto half = [&](const std::array<int, 16> &positions) {
        quint64 value = 0;
        int invalid = 0;
        for (const int position : positions) {
            const int digit = hexValue(text[position]);
            invalid |= digit;
            value = (value << 4) | quint64(digit & 0xF);
        }
        return invalid < 0 ? std::optional<quint64>() : std::optional<quint64>(value);
    };
    static constexpr std::array<int, 16> highPositions
            = {0, 1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 14, 15, 16, 17};
    static constexpr std::array<int, 16> lowPositions
            = {19, 20, 21, 22, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35};
    const std::optional<quint64> highHalf = half(highPositions);
    const std::optional<quint64> lowHalf = half(lowPositions);
    if (!highHalf || !lowHalf)
        return false;
    const quint64 high = *highHalf, low = *lowHalf;
    id = QUuid(uint(high >> 32), ushort(high >> 16), ushort(high), uchar(low >> 56), uchar(low >> 48),
               uchar(low >> 40), uchar(low >> 32), uchar(low >> 24), uchar(low >> 16), uchar(low >> 8),
               uchar(low));
    m_at += 38;
    return true;
}

bool LibraryJsonReader::isNull()
{
    if (m_end - m_at >= 4 && std::memcmp(m_at, "null", 4) == 0) {
        m_at += 4;
        return true;
    }
    return false;
}

bool LibraryJsonReader::skipValue(int depth)
{
    // Deeper than any library file nests: the full decoder's limits decide.
    if (depth > 32)
        return false;
    skipSpace();
    if (m_at == m_end)
        return false;
    switch (*m_at) {
    case '{': {
        // An object of no known names: every member is skipped.
        static constexpr QByteArrayView anyName[] = {""};
        return readMembers(anyName, [&](int) { return skipValue(depth + 1); });
    }
    case '[':
        return readArray([&] { return skipValue(depth + 1); });
    case '"': {
        QString ignored;
        return readString(ignored);
    }
    case 't':
    case 'f':
    case 'n': {
        for (const char *word : {"true", "false", "null"}) {
            const qsizetype length = qsizetype(std::strlen(word));
            if (m_end - m_at >= length && std::memcmp(m_at, word, size_t(length)) == 0) {
                m_at += length;
                return m_at == m_end || isDelimiter(*m_at);
            }
        }
        return false;
    }
    default: {
        double ignored = 0;
        return readNumber(ignored);
    }
    }
}

} // namespace tandrel
