#include "app/take_list.h"

#include "app/symbols.h"
#include "app/ui_style.h"
#include "library/speech_slicing.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>

namespace tandrel {

namespace {

QString takeCaption(const Take &take)
{
    QStringList parts{ui::formatMinutesSeconds(take.duration)};
    if (take.videoFileName)
        parts.append(QStringLiteral("Video"));
    if (take.audioFileName)
        parts.append(QStringLiteral("Audio"));
    return parts.join(QStringLiteral(" · "));
}

} // namespace

SpeechStrip::SpeechStrip(QWidget *parent) : QWidget(parent)
{
    setFixedHeight(6);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setToolTip(QStringLiteral("Sprache und Pausen des Takes"));
}

void SpeechStrip::setSlices(QList<SpeechSlice> slices)
{
    if (m_slices == slices)
        return;
    m_slices = std::move(slices);
    update();
}

void SpeechStrip::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath clip;
    clip.addRoundedRect(bounds, 2, 2);
    p.setClipPath(clip);
    QColor pause = ui::secondaryColor();
    pause.setAlphaF(0.25);
    p.fillRect(bounds, pause);
    if (m_slices.isEmpty())
        return;
    const qint64 total = m_slices.constLast().endFrame;
    if (total <= 0)
        return;
    const qreal scale = bounds.width() / qreal(total);
    for (const SpeechSlice &slice : m_slices) {
        if (!slice.speaking)
            continue;
        const qreal x0 = bounds.left() + slice.startFrame * scale;
        const qreal x1 = bounds.left() + slice.endFrame * scale;
        p.fillRect(QRectF(x0, bounds.top(), std::max<qreal>(1.0, x1 - x0), bounds.height()),
                   ui::accentColor());
    }
}

TakeList::TakeList(QWidget *parent) : QListWidget(parent)
{
    setObjectName(QStringLiteral("takeList"));
    setMinimumHeight(180);
    setSelectionMode(QAbstractItemView::NoSelection);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    connect(this, &QListWidget::customContextMenuRequested, this, &TakeList::showContextMenu);
}

void TakeList::setReel(const std::optional<ReelProject> &reel)
{
    if (m_reel == reel)
        return;
    m_reel = reel;
    clear();
    if (!reel)
        return;
    const std::optional<Take> latest = reel->latestTake();
    for (const Take &take : reel->takes) {
        auto *item = new QListWidgetItem(this);
        QWidget *row = makeRow(take, latest && latest->id == take.id);
        item->setSizeHint(row->sizeHint());
        item->setData(Qt::UserRole, take.id);
        setItemWidget(item, row);
    }
}

QWidget *TakeList::rowOf(const QUuid &takeID) const
{
    for (int i = 0; i < count(); ++i)
        if (item(i)->data(Qt::UserRole).toUuid() == takeID)
            return itemWidget(item(i));
    return nullptr;
}

QWidget *TakeList::makeRow(const Take &take, bool latest)
{
    auto *row = new QWidget;
    row->setObjectName(QStringLiteral("takeRow"));
    const QColor text = palette().color(QPalette::WindowText);

    auto *icon = new QLabel(row);
    icon->setObjectName(take.videoFileName ? QStringLiteral("film") : QStringLiteral("waveform"));
    icon->setPixmap(symbolPixmap(take.videoFileName ? Symbol::Film : Symbol::Waveform, text, 20));

    auto *time = ui::label(QLocale().toString(take.recordedAt.toLocalTime().time(), QLocale::ShortFormat),
                           ui::TextRole::Body);
    time->setObjectName(QStringLiteral("takeTime"));
    auto *caption = ui::label(takeCaption(take), ui::TextRole::Caption, false, true);
    caption->setObjectName(QStringLiteral("takeCaption"));
    auto *strip = new SpeechStrip(row);
    strip->setSlices(speechSlices(take.speechIntervals, take.duration));

    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto *firstLine = new QHBoxLayout;
    firstLine->addWidget(time);
    if (latest) {
        auto *badge = ui::label(QStringLiteral("letzter Take"), ui::TextRole::Caption2);
        badge->setObjectName(QStringLiteral("latestBadge"));
        // Item widgets of a list take the view's palette; a style sheet keeps the accent.
        badge->setStyleSheet(QStringLiteral("color: %1;").arg(ui::accentColor().name()));
        firstLine->addWidget(badge);
    }
    firstLine->addStretch();
    texts->addLayout(firstLine);
    texts->addWidget(caption);
    texts->addWidget(strip);

    auto *trash = new QToolButton(row);
    trash->setObjectName(QStringLiteral("deleteTakeButton"));
    trash->setAutoRaise(true);
    trash->setIcon(symbolIcon(Symbol::Trash, ui::secondaryColor()));
    trash->setToolTip(QStringLiteral("Take löschen"));
    trash->setAccessibleName(QStringLiteral("Take löschen"));
    connect(trash, &QToolButton::clicked, this, [this, take] { emit deleteRequested(take); });

    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(10);
    layout->addWidget(icon, 0, Qt::AlignTop);
    layout->addLayout(texts, 1);
    layout->addWidget(trash, 0, Qt::AlignVCenter);
    return row;
}

void TakeList::showContextMenu(const QPoint &pos)
{
    QListWidgetItem *clicked = itemAt(pos);
    if (!clicked || !m_reel)
        return;
    const QUuid id = clicked->data(Qt::UserRole).toUuid();
    const auto it = std::find_if(m_reel->takes.cbegin(), m_reel->takes.cend(),
                                 [&](const Take &t) { return t.id == id; });
    if (it == m_reel->takes.cend())
        return;
    const Take take = *it;
    QMenu menu(this);
    menu.addAction(QStringLiteral("Im Dateimanager zeigen"), this, [this] { emit showFolderRequested(); });
    menu.addAction(QStringLiteral("Löschen"), this, [this, take] { emit deleteRequested(take); });
    menu.exec(viewport()->mapToGlobal(pos));
}

} // namespace tandrel
