#pragma once

#include "library/take.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>
#include <optional>

namespace tandrel {

// A numbered script project with its takes.
struct ReelProject
{
    QUuid id;
    qint64 prefix = 0;
    QString title;
    QString script;
    QDateTime createdAt;
    QDateTime updatedAt;
    QList<Take> takes;
    double cropCenterX = 0.5;
    bool operator==(const ReelProject &) const = default;

    // "%03d" of the number, then a blank and the trimmed title if it is not empty.
    QString displayLabel() const;
    // The title folded, lower-cased and reduced to letters, digits and single hyphens; at most 48 characters.
    QString titleSlug() const;
    // "%03d" of the number, then "-" and the slug if the slug is not empty.
    QString folderName() const;
    // The take with the latest recordedAt; the last such take on ties.
    std::optional<Take> latestTake() const;
};

// Reel order: number ascending, then creation date ascending; stable.
void sortInReelOrder(QList<ReelProject> &reels);

} // namespace tandrel
