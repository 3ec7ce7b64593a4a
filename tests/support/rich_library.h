#pragma once

// A library that holds every kind of value library.json has to carry: odd
// characters (escapes, control characters, lone surrogates, characters
// outside the BMP), numbers at the edges of their forms, dates before 1970,
// at the ends of the years 1 to 9999, with fractions and in other zones,
// takes with and without file names, intervals and word times.
#include "library/reel_project.h"

#include <QTimeZone>
#include <cmath>
#include <limits>

namespace tandrel::testing {

inline QList<ReelProject> richLibrary()
{
    const auto utc = [](int y, int mo, int d, int h, int mi, int s, int ms = 0) {
        return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), QTimeZone::utc());
    };
    const char16_t lone[] = {u'a', 0xD800, u'b', 0xDC00, 0xDE00, 0xD83D, u'z', 0xDBFF};
    const char16_t controls[] = {0x0000, 0x0001, 0x001F, 0x007F, 0x0080, 0x2028, 0x2029, 0xFEFF, 0xFFFD};
    const QString odd
            = QStringLiteral(
                      "\"Zitat\" \\ / \b\f\n\r\t </script> Ümlaut ß 🎬👩‍👩‍👧 e\u0301 中文 ")
            + QString::fromUtf16(controls, std::size(controls)) + QString::fromUtf16(lone, std::size(lone));

    Take full{.id = QUuid::fromString(QStringLiteral("6f1c2b9e-1d2a-4c3b-9a8e-7f6d5c4b3a21")),
              .recordedAt = utc(2025, 3, 1, 9, 30, 15, 789),
              .videoFileName = QStringLiteral("20250301-103015-video.mov"),
              .audioFileName = QStringLiteral("20250301-103015-audio.m4a"),
              .duration = 12.345678901234,
              .speechIntervals = {{0.1, 1.0 / 3}, {2.5, 7.25}, {-0.0, 5e-324}, {1e-7, 1e21}},
              .words = QList<WordTime>{{0.25, 0.5, 0, QStringLiteral("Zeile")},
                                       {0.75, 1.0 / 3 + 1, 3, odd},
                                       {1e300, -1.5, std::numeric_limits<qint64>::max(), QString()}}};
    Take audioOnly{.id = QUuid::fromString(QStringLiteral("00000000-0000-0000-0000-000000000000")),
                   .recordedAt = QDateTime(QDate(1969, 12, 31), QTime(23, 59, 59, 500), QTimeZone::utc()),
                   .videoFileName = std::nullopt,
                   .audioFileName = QStringLiteral("nur \"Ton\".m4a"),
                   .duration = 9007199254740993.0,
                   .speechIntervals = {},
                   .words = QList<WordTime>{}};
    Take videoOnly{.id = QUuid::fromString(QStringLiteral("ffffffff-ffff-ffff-ffff-ffffffffffff")),
                   .recordedAt = QDateTime(QDate(2024, 6, 30), QTime(23, 30, 0), QTimeZone(7200)),
                   .videoFileName = odd,
                   .audioFileName = std::nullopt,
                   .duration = 42,
                   .speechIntervals = {{12345678901234567890.0, 9007199254740992.0}},
                   .words = std::nullopt};

    QList<ReelProject> reels;
    reels.append({.id = QUuid::fromString(QStringLiteral("0b9f0c4e-5a6d-4e7f-8a9b-0c1d2e3f4a5b")),
                  .prefix = 12,
                  .title = QStringLiteral("Intro \"mit\" Ümlaut\tund Tab"),
                  .script = QStringLiteral("Zeile eins\r\nZeile zwei \\ Ende\x01 / 🎬\n") + odd,
                  .createdAt = utc(2025, 2, 28, 23, 59, 59),
                  .updatedAt = utc(2025, 3, 1, 10, 0, 0, 500),
                  .takes = {full, audioOnly, videoOnly},
                  .cropCenterX = 0.42});
    reels.append({.id = QUuid::fromString(QStringLiteral("a1b2c3d4-e5f6-4a7b-8c9d-0e1f2a3b4c5d")),
                  .prefix = std::numeric_limits<qint64>::max(),
                  .title = QString(),
                  .script = QString(),
                  .createdAt = utc(1, 1, 1, 0, 0, 0),
                  .updatedAt = utc(9999, 12, 31, 23, 59, 59, 999),
                  .takes = {},
                  .cropCenterX = 0});
    reels.append({.id = QUuid::fromString(QStringLiteral("12345678-9abc-4def-8123-456789abcdef")),
                  .prefix = -7,
                  .title = odd,
                  .script = QStringLiteral("ein Wort"),
                  .createdAt = QDateTime(QDate(1900, 2, 28), QTime(12, 0, 1), QTimeZone::utc()),
                  .updatedAt = QDateTime(QDate(2000, 2, 29), QTime(0, 0, 0), QTimeZone(-3600)),
                  .takes = {videoOnly},
                  .cropCenterX = 1.0 / 3});
    reels.append({.id = QUuid::fromString(QStringLiteral("fedcba98-7654-4321-8fed-cba987654321")),
                  .prefix = 0,
                  .title = QStringLiteral("Null"),
                  .script = QStringLiteral("x"),
                  .createdAt = utc(2038, 1, 19, 3, 14, 8),
                  .updatedAt = utc(2038, 1, 19, 3, 14, 8),
                  .takes = {audioOnly, full},
                  .cropCenterX = 0.9999999999999999});
    return reels;
}

} // namespace tandrel::testing
