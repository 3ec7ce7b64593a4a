#include "teleprompter/teleprompter_view.h"

#include "teleprompter/draw_at_whole_pixels.h"
#include "teleprompter/recording_mark.h"
#include "teleprompter/teleprompter_font.h"
#include "teleprompter/teleprompter_self_view.h"
#include "teleprompter/teleprompter_state.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <utility>

namespace tandrel {

namespace {

QColor black(double opacity)
{
    return QColor::fromRgbF(0, 0, 0, float(opacity));
}

QColor white(double opacity)
{
    return QColor::fromRgbF(1, 1, 1, float(opacity));
}

// The capsule of a short text, centred at `centreX` with its top or bottom
// edge at `edgeY`.
QRectF capsuleRect(const QString &text, const QFont &font, double centreX, double edgeY, bool fromBottom)
{
    const QFontMetricsF fm(font);
    const QSizeF size(fm.horizontalAdvance(text) + 24, fm.height() + 12);
    const double top = fromBottom ? edgeY - size.height() : edgeY;
    return QRectF(centreX - size.width() / 2, top, size.width(), size.height());
}

void paintCapsuleLabel(QPainter &p, const QString &text, const QFont &font, QColor textColor, QColor fill,
                       std::optional<QColor> outline, const QRectF &capsule)
{
    const double radius = capsule.height() / 2;
    p.setPen(outline ? QPen(*outline, 1) : Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(capsule, radius, radius);
    p.setFont(font);
    p.setPen(textColor);
    p.drawText(capsule, Qt::AlignCenter, text);
}

QFont pauseFont()
{
    return teleprompterFont(14, QFont::DemiBold);
}

QFont statusFont()
{
    return teleprompterFont(14, QFont::Medium);
}

// The marker sits just above the reading line, in the gap over the line
// whose top is on it, so that it never strikes through letters.
constexpr double markerLift = 6;
// The marker's shadow reaches this far around it (and one point lower).
constexpr double markerShadow = 3;

} // namespace

TeleprompterView::TeleprompterView(TeleprompterState &state, QWidget *parent)
    : QWidget(parent), m_state(state), m_selfView(new TeleprompterSelfView(this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    m_clock.start();
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(int(TeleprompterScroller::tickInterval * 1000));
    connect(&m_timer, &QTimer::timeout, this, [this] { tick(clockNow()); });

    auto repaint = [this] { update(); };
    connect(&state, &TeleprompterState::fontSizeChanged, this, &TeleprompterView::invalidateLayout);
    connect(&state, &TeleprompterState::titleChanged, this, &TeleprompterView::invalidateLayout);
    connect(&state, &TeleprompterState::scriptChanged, this, &TeleprompterView::invalidateLayout);
    connect(&state, &TeleprompterState::textPlacementChanged, this, [this] {
        m_scroller.setPlacement(m_state.textPlacement());
        invalidateLayout();
    });
    connect(&state, &TeleprompterState::readingPositionChanged, this, [this] { update(textBand()); });
    connect(&state, &TeleprompterState::resetGenerationChanged, this, [this] {
        m_scroller.setScrollOffset(0);
        update();
    });
    for (auto signal : {&TeleprompterState::isMirroredChanged, &TeleprompterState::scrollModeChanged,
                        &TeleprompterState::showsSelfViewChanged, &TeleprompterState::isScrollingChanged,
                        &TeleprompterState::followStatusChanged})
        connect(&state, signal, this, repaint);
    // A new frame waits for the next tick of the scroll clock and is painted
    // with the text's next step: a camera's 30 frames a second would
    // otherwise each add a paint of the whole window between the ticks.
    connect(m_selfView, &TeleprompterSelfView::changed, this, [this] {
        if (showsVideo())
            m_videoChanged = true;
    });
}

TeleprompterView::~TeleprompterView() = default;

bool TeleprompterView::showsVideo() const
{
    return m_state.showsSelfView() && m_videoAvailable && !m_selfView->frame().isNull();
}

void TeleprompterView::setRecordingTime(std::optional<double> seconds)
{
    if (seconds == m_recordingTime)
        return;
    // The take's time arrives many times a second; the mark shows whole
    // seconds, so only a new text repaints it, and only where it is.
    const auto shown = [](std::optional<double> s) { return s ? RecordingMark::timeText(*s) : QString(); };
    const bool changes = shown(seconds) != shown(m_recordingTime);
    const QRectF before = recordingMarkRect();
    m_recordingTime = seconds;
    if (changes)
        update(before.united(recordingMarkRect()).toAlignedRect().adjusted(-1, -1, 1, 1));
}

void TeleprompterView::setStatusWording(StatusWording wording)
{
    m_statusWording = std::move(wording);
    update();
}

void TeleprompterView::setVideoAvailable(bool available)
{
    if (available == m_videoAvailable)
        return;
    m_videoAvailable = available;
    update();
}

ScrollInputs TeleprompterView::scrollInputs() const
{
    return {m_state.scrollMode(),  m_state.scrollSpeed(),
            m_state.isScrolling(), m_state.document()->tokenCount(),
            m_state.cursor(),      m_state.lookahead()};
}

void TeleprompterView::invalidateLayout()
{
    m_layout.reset();
    m_text.clear();
    update();
}

TeleprompterLayout &TeleprompterView::ensureLayout()
{
    if (!m_layout) {
        TeleprompterLayoutInput input{m_state.document()->tokens(), m_state.script(),        m_state.title(),
                                      m_state.fontSize(),           m_state.textPlacement(), QSizeF(size())};
        m_layout = TeleprompterLayout::build(input);
        m_scroller.setWordMinY(m_layout->wordMinY());
        m_scroller.setContentHeight(m_layout->contentHeight());
    }
    return *m_layout;
}

const TeleprompterLayout &TeleprompterView::layout() const
{
    // Laying out is a cache fill, not a change of what the view shows.
    return const_cast<TeleprompterView *>(this)->ensureLayout();
}

qint64 TeleprompterView::currentWordIndex() const
{
    layout();
    return m_scroller.currentWordIndex(scrollInputs());
}

QRectF TeleprompterView::wordRectInWindow(qint64 index) const
{
    const TeleprompterLayout &l = layout();
    if (index < 0 || index >= l.wordFrames().size())
        return {};
    QRectF r = l.wordFrames().at(index).translated(l.columnLeft(), -m_scroller.scrollOffset());
    if (m_state.isMirrored())
        r.moveLeft(width() - r.right());
    return r;
}

QRectF TeleprompterView::asDrawn(const QRectF &r) const
{
    if (r.isEmpty() || !m_state.isMirrored())
        return r;
    QRectF mirrored = r;
    mirrored.moveLeft(width() - r.right());
    return mirrored;
}

QRectF TeleprompterView::markerRect() const
{
    const double centreY = m_scroller.readingLine() - markerLift;
    return QRectF(width() / 2.0 - 32, centreY - 1.5, 64, 3);
}

QRectF TeleprompterView::pauseRect() const
{
    if (m_state.isScrolling())
        return {};
    return capsuleRect(tr("Pause"), pauseFont(), width() / 2.0, 22, false);
}

QString TeleprompterView::shownStatus() const
{
    if (m_state.scrollMode() != TeleprompterScrollMode::speech)
        return {};
    // While paused the text follows nobody: "Pause" says so alone. Loading
    // and failures are still said.
    if (!m_state.isScrolling() && m_state.followState() == FollowState::listening)
        return {};
    return m_statusWording ? m_statusWording(m_state.followState(), m_state.followFailure()) : QString();
}

QRectF TeleprompterView::statusRect() const
{
    const QString status = shownStatus();
    if (status.isEmpty())
        return {};
    return capsuleRect(status, statusFont(), width() / 2.0, height() - 26, true);
}

QRectF TeleprompterView::recordingRect() const
{
    if (!m_recordingTime)
        return {};
    // The top corner beside the column, level with the "Pause" badge, in the
    // middle of the margin that the text never reaches sideways. A window too
    // narrow for that has it in the corner, where the top fade darkens the
    // text passing under it.
    const QSizeF size = RecordingMark::size(*m_recordingTime);
    const TeleprompterLayout &l = layout();
    const double columnRight = l.columnLeft() + l.metrics().columnWidth;
    const double margin = width() - columnRight;
    const double left = margin >= size.width() + 8 ? columnRight + (margin - size.width()) / 2
                                                   : width() - 16 - size.width();
    return QRectF(QPointF(left, 22), size);
}

QRectF TeleprompterView::readingMarkerRect() const
{
    return asDrawn(markerRect().adjusted(-markerShadow, -markerShadow, markerShadow, markerShadow + 1));
}

QRectF TeleprompterView::pauseLabelRect() const
{
    return asDrawn(pauseRect());
}

QRectF TeleprompterView::statusLabelRect() const
{
    return asDrawn(statusRect());
}

QRectF TeleprompterView::recordingMarkRect() const
{
    return asDrawn(recordingRect());
}

double TeleprompterView::clockNow() const
{
    return double(m_clock.nsecsElapsed()) / 1e9;
}

void TeleprompterView::tick(double now)
{
    ensureLayout();
    m_scroller.tick(now, scrollInputs());
    // The text is drawn at whole device pixels: a step smaller than one, as
    // the voice-following approach makes near its target, changes nothing
    // on screen until the steps add up to one.
    const bool moved = std::lround(m_scroller.scrollOffset() * m_paintedRatio) != m_paintedTextTop;
    if (std::exchange(m_videoChanged, false))
        update();
    else if (moved || currentWordIndex() != m_paintedWord)
        update(textBand());
}

QRect TeleprompterView::textBand() const
{
    // Everything that moves with the text: the words with their highlight
    // margin and their shadow, the title, the note. The fades and labels
    // over the band are painted again with it.
    const TeleprompterLayout &l = layout();
    const double reach = TextColumnShadow::radius + TextColumnShadow::drop + 8;
    const QRectF band(l.columnLeft() - reach, 0, l.metrics().columnWidth + 2 * reach, height());
    return asDrawn(band).toAlignedRect().adjusted(-1, 0, 1, 0).intersected(rect());
}

void TeleprompterView::showEvent(QShowEvent *)
{
    m_scroller.setViewport(height(), m_state.textPlacement());
    m_timer.stop();
    m_scroller.restartClock(clockNow());
    m_timer.start();
}

void TeleprompterView::hideEvent(QHideEvent *)
{
    m_timer.stop();
    m_selfView->detach();
    m_backdrop.clear();
    m_text.clear();
    m_composer.clear();
}

void TeleprompterView::resizeEvent(QResizeEvent *)
{
    m_scroller.setViewport(height(), m_state.textPlacement());
    invalidateLayout();
}

void TeleprompterView::mousePressEvent(QMouseEvent *)
{
    m_state.setIsScrolling(!m_state.isScrolling());
}

void TeleprompterView::paintEvent(QPaintEvent *)
{
    ensureLayout();
    QPainter p(this);
    paintFrame(p);
    if (m_state.isMirrored()) {
        p.translate(width(), 0);
        p.scale(-1, 1);
    }
    const QRectF bounds = rect();
    paintMarker(p, bounds);
    paintOverlay(p, bounds);
}

void TeleprompterView::paintFrame(QPainter &p)
{
    const TeleprompterLayout &l = *m_layout;
    const qreal dpr = targetPixelRatio(p);
    const QSize pixels = (QSizeF(size()) * dpr).toSize();
    const bool videoBehind = m_state.showsSelfView();
    const QImage *backdrop = nullptr;
    if (showsVideo()) {
        // Mirrored already, and in device pixels.
        backdrop = &m_backdrop.image(*m_selfView, size(), dpr, m_state.isMirrored(), m_state.textPlacement());
    } else {
        m_backdrop.clear();
    }

    const qint64 current = l.fallbackLayout() ? 0 : m_scroller.currentWordIndex(scrollInputs());
    m_paintedWord = current;
    const QRectF band(textBand());
    const QRect bandPixels = QRectF(band.topLeft() * dpr, band.size() * dpr)
                                     .toAlignedRect()
                                     .intersected(QRect(QPoint(0, 0), pixels));
    const TextLayerSetup setup{bandPixels,           pixels.height(), double(width()), dpr,
                               m_state.isMirrored(), videoBehind,     current};
    // The text moves by whole device pixels, all of it at once.
    const int textTop = int(std::lround(m_scroller.scrollOffset() * dpr));
    m_paintedTextTop = textTop;
    m_paintedRatio = dpr;
    m_text.prepare(l, setup, textTop);

    const TeleprompterFades fades{std::max(m_scroller.readingLine() * 0.62, 56.0), height() * 0.3,
                                  videoBehind ? 0.55 : 1.0};
    m_composer.paint(p, {pixels, dpr, backdrop, &m_text, bandPixels, textTop, fades});
}

void TeleprompterView::paintMarker(QPainter &p, const QRectF &) const
{
    const QRectF marker = markerRect();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    // A soft shadow one point below: a few widening, fainter capsules.
    for (int spread = int(markerShadow); spread >= 1; --spread) {
        p.setBrush(black(0.45 / markerShadow));
        const QRectF halo = marker.translated(0, 1).adjusted(-spread, -spread, spread, spread);
        p.drawRoundedRect(halo, halo.height() / 2, halo.height() / 2);
    }
    p.setBrush(white(m_state.showsSelfView() ? 0.7 : 0.38));
    p.drawRoundedRect(marker, 1.5, 1.5);
    p.restore();
}

void TeleprompterView::paintOverlay(QPainter &p, const QRectF &) const
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    if (const QRectF pause = pauseRect(); !pause.isEmpty())
        paintCapsuleLabel(p, tr("Pause"), pauseFont(), white(0.86), black(0.38), white(0.18), pause);
    if (const QRectF status = statusRect(); !status.isEmpty())
        paintCapsuleLabel(p, shownStatus(), statusFont(), white(0.78), black(0.4), std::nullopt, status);
    if (const QRectF mark = recordingRect(); !mark.isEmpty())
        RecordingMark::paint(p, mark, *m_recordingTime);
    p.restore();
}

} // namespace tandrel
