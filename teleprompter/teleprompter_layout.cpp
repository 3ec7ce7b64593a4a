#include "teleprompter/teleprompter_layout.h"

#include "teleprompter/paragraph_group.h"
#include "teleprompter/teleprompter_font.h"
#include "teleprompter/word_flow_layout.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QTextLayout>
#include <algorithm>

namespace tandrel {

namespace {

// The band at the window's top that the "Pause" badge and the recording mark
// take (22 points down, a capsule of about 32 points, and a gap).
constexpr double overlayBand = 64;

} // namespace

TeleprompterLayout TeleprompterLayout::build(const TeleprompterLayoutInput &input)
{
    TeleprompterLayout layout;
    layout.m_input = input;
    const double fontSize = input.fontSize;
    const double width = input.windowSize.width();
    layout.m_metrics = LayoutMetrics::make(input.windowSize, input.placement);
    const double columnWidth = layout.m_metrics.columnWidth;
    layout.m_columnLeft = (width - columnWidth) / 2;
    layout.m_wordFont = teleprompterFont(fontSize, QFont::Medium);
    layout.m_titleFont = teleprompterFont(std::max(fontSize * 0.34, 18.0), QFont::DemiBold);

    // An empty title takes no room, and no gap is left for it.
    double titleBlock = 0;
    double titleHeight = 0;
    if (!input.title.isEmpty()) {
        const QFontMetricsF fm(layout.m_titleFont);
        titleHeight = fm.boundingRect(QRectF(0, 0, columnWidth, 1e9),
                                      int(layout.alignment()) | Qt::TextWordWrap, input.title)
                              .height();
        titleBlock = titleHeight + fontSize * 0.5;
    }
    // The first line starts on the reading line, so that the marker just
    // above that line stays clear of its letters in both placements, and the
    // title stands right above it. A title that would then reach into the top
    // band of the "Pause" badge and the recording mark goes below the marker
    // instead, with the text after it.
    const double readingLine = layout.m_metrics.readingLine;
    const double y = readingLine - titleBlock >= overlayBand ? readingLine : readingLine + titleBlock;
    if (!input.title.isEmpty())
        layout.m_titleRect = QRectF(0, y - titleBlock, columnWidth, titleHeight);
    if (!input.tokens.isEmpty())
        layout.layOutWords(y);
    else
        layout.layOutFallback(y);
    return layout;
}

Qt::Alignment TeleprompterLayout::alignment() const
{
    return m_input.placement == TeleprompterTextPlacement::center ? Qt::AlignHCenter : Qt::AlignLeft;
}

void TeleprompterLayout::layOutWords(double top)
{
    const double fontSize = m_input.fontSize;
    const bool center = m_input.placement == TeleprompterTextPlacement::center;
    const WordFlowLayout flow{fontSize * 0.28, fontSize * (center ? 0.4 : 0.3), center};
    const QFontMetricsF fm(m_wordFont);
    const double wordHeight = fm.height();
    const double columnWidth = m_metrics.columnWidth;

    m_wordFrames.resize(m_input.tokens.size());
    double y = top;
    bool first = true;
    for (const ParagraphGroup &group : groupParagraphs(m_input.tokens)) {
        QList<MeasuredElement> elements;
        elements.reserve(group.tokens.size());
        for (const Token &token : group.tokens)
            elements.append({token.index, QSizeF(fm.horizontalAdvance(token.raw), wordHeight)});
        if (!first)
            y += fontSize * 0.62;
        first = false;
        const QSizeF size = flow.measure(columnWidth, elements);
        const QList<QRectF> frames = flow.place(QRectF(0, y, size.width(), size.height()), elements);
        for (qsizetype i = 0; i < elements.size(); ++i) {
            const qint64 index = elements.at(i).tokenIndex;
            if (index >= 0 && index < m_wordFrames.size())
                m_wordFrames[index] = frames.at(i);
        }
        y += size.height();
    }
    m_contentHeight = y + m_input.windowSize.height() * 0.85;
}

void TeleprompterLayout::layOutFallback(double top)
{
    const double fontSize = m_input.fontSize;
    m_fallbackText = m_input.script.isEmpty()
            ? QCoreApplication::translate("tandrel::TeleprompterLayout", "Kein Teleprompter-Text.")
            : m_input.script;
    auto textLayout = std::make_shared<QTextLayout>(m_fallbackText, m_wordFont);
    QTextOption option(alignment());
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    textLayout->setTextOption(option);
    // Line feeds are line breaks in a text block, as in the script editor.
    textLayout->setText(QString(m_fallbackText).replace(QLatin1Char('\n'), QChar::LineSeparator));
    double y = 0;
    textLayout->beginLayout();
    for (QTextLine line = textLayout->createLine(); line.isValid(); line = textLayout->createLine()) {
        line.setLineWidth(m_metrics.columnWidth);
        line.setPosition(QPointF(0, y));
        y += line.height() + fontSize * 0.28;
    }
    textLayout->endLayout();
    const double height = textLayout->lineCount() > 0 ? y - fontSize * 0.28 : 0;
    m_fallbackLayout = textLayout;
    m_fallbackRect = QRectF(0, top, m_metrics.columnWidth, height);
    m_contentHeight = top + height + m_input.windowSize.height() * 0.85;
}

QList<double> TeleprompterLayout::wordMinY() const
{
    QList<double> tops;
    tops.reserve(m_wordFrames.size());
    for (const QRectF &frame : m_wordFrames)
        tops.append(frame.top());
    return tops;
}

std::pair<qsizetype, qsizetype> TeleprompterLayout::wordsBetween(double top, double bottom) const
{
    const auto begin = std::lower_bound(m_wordFrames.begin(), m_wordFrames.end(), top,
                                        [](const QRectF &frame, double y) { return frame.bottom() < y; });
    const auto end = std::upper_bound(begin, m_wordFrames.end(), bottom,
                                      [](double y, const QRectF &frame) { return y < frame.top(); });
    return {begin - m_wordFrames.begin(), end - m_wordFrames.begin()};
}

} // namespace tandrel
