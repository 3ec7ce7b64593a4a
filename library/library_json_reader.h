#pragma once

#include "library/reel_project.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <bit>
#include <cstring>
#include <optional>
#include <vector>

namespace tandrel {

// A quick reader of library.json for the files this system writes: it reads
// the text once, straight into the records, without a JSON document in
// between. It takes only what it is sure the full decoder (decodeLibrary
// through QJsonDocument) reads the same way; for anything else (a syntax or
// type error, a duplicate member, an odd number or character) it gives none,
// and the full decoder decides and words the failure.
class LibraryJsonReader
{
public:
    static std::optional<QList<ReelProject>> read(const QByteArray &bytes);

private:
    LibraryJsonReader(const char *begin, const char *end) : m_at(begin), m_end(end) { }

    bool readLibrary(QList<ReelProject> &reels);
    bool readReel(ReelProject &reel);
    bool readTake(Take &take);
    bool readSpeechInterval(SpeechInterval &interval);
    bool readWord(WordTime &word);

    // Calls `member(name)` for each member of an object, which reads the
    // value; false as soon as anything fails.
    template<size_t N, typename Member> bool readMembers(const QByteArrayView (&names)[N], Member member);
    template<typename Item> bool readArray(Item item);
    bool readString(QString &text);
    void passPlainAscii();
    // A member's name; `decoded` holds it when it had to be decoded.
    bool readName(QByteArrayView &name, QByteArray &decoded);
    bool readOptionalString(std::optional<QString> &text);
    bool readNumber(double &value);
    bool readInteger(qint64 &value);
    bool readIndex(qint64 &value);
    bool readDate(QDateTime &date);
    bool readUuid(QUuid &id);
    bool isNull();
    // Any value, read over and dropped (members this version does not know).
    bool skipValue(int depth);

    void skipSpace()
    {
        // The indentation of a pretty file is most of its bytes: blanks are
        // passed eight at a time, up to the first byte that is none.
        constexpr quint64 blanks = 0x2020202020202020ull;
        while (m_at < m_end) {
            const char c = *m_at;
            if (static_cast<unsigned char>(c) > ' ')
                return;
            if (c == ' ' && m_end - m_at >= 8) {
                quint64 word;
                std::memcpy(&word, m_at, 8);
                const quint64 differing = word ^ blanks;
                if constexpr (std::endian::native == std::endian::little) {
                    m_at += differing == 0 ? 8 : std::countr_zero(differing) / 8;
                    continue;
                }
            }
            if (c != ' ' && c != '\n' && c != '\r' && c != '\t')
                return;
            ++m_at;
        }
    }
    bool consume(char c)
    {
        if (m_at < m_end && *m_at == c) {
            ++m_at;
            return true;
        }
        return false;
    }
    // The raw text of a number, checked against JSON's grammar.
    bool numberToken(const char *&begin, const char *&end, bool &integral);

    const char *m_at;
    const char *m_end;
    // A take's intervals as they are read, then copied at their final size.
    std::vector<SpeechInterval> m_intervals;
    std::vector<Take> m_takes; // a reel's, while they are read
};

} // namespace tandrel
