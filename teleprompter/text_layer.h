#pragma once

#include "teleprompter/text_column_shadow.h"
#include "teleprompter/word_images.h"

#include <QImage>
#include <QList>
#include <QRect>

namespace tandrel {

class TeleprompterLayout;

// What the text layer is drawn for besides the layout.
struct TextLayerSetup
{
    QRect band; // the window's device pixels the column, its highlight and its shadow reach, as drawn
    int windowHeight = 0; // device pixels
    double windowWidth = 0; // points: mirroring is about the window's middle
    qreal dpr = 1;
    bool mirrored = false;
    bool videoBehind = false; // the words' and the highlight's colours
    qint64 current = 0; // the word read; it sets every word's colour
    bool operator==(const TextLayerSetup &) const = default;
};

// The text column as it lies over the window's background, in one
// premultiplied layer of the band's width: the shadows of the title, the note
// and the words, the highlight and the words in their reading colours, in
// device pixels and mirrored as drawn. It keeps a window's height of the
// content in a ring of rows: scrolling draws only the rows that come into
// view, a new word read only the rows of the words whose colour changed, so a
// paint at 60 Hz blends ready rows whatever the scroll offset. Rows are whole
// device pixels of the content, the first at the content's top; the text is
// drawn at whole content pixels, so a scroll by whole pixels moves it
// unchanged. Main thread only, like the view that owns it.
class TextLayer
{
public:
    // Forgets every row and every word image; the layout changed.
    void clear();
    // Makes the content rows [top, top + windowHeight) ready as `setup` and
    // `layout` want them.
    void prepare(const TeleprompterLayout &layout, const TextLayerSetup &setup, int top);
    // Content row `row`, `band.width()` pixels from the band's left edge; a
    // row prepared by the last call of prepare().
    const uchar *row(int row) const { return m_ring.constScanLine(ringRow(row)); }

private:
    int ringRow(int row) const;
    // Draws the content rows [from, to) anew, between the band's pixels
    // `left` and `right` (its whole width when right < 0).
    void draw(const TeleprompterLayout &layout, int from, int to, int left = 0, int right = -1);
    void drawPiece(const TeleprompterLayout &layout, int ringTop, int contentTop, int count, int left,
                   int right);
    // The parts of the layer whose pixels change when the word read goes
    // from `before` to `after`, in band pixels across and content rows down:
    // each word whose colour changes, with its highlight, or the rows of all
    // of them when many change at once.
    QList<QRect> restyled(const TeleprompterLayout &layout, qint64 before, qint64 after) const;

    WordImages m_words;
    TextColumnShadow m_shadow;
    QImage m_ring;
    TextLayerSetup m_setup;
    int m_top = 0, m_bottom = 0; // the content rows ready, [m_top, m_bottom)
};

} // namespace tandrel
