#pragma once

#include <QCache>
#include <QColor>
#include <QFont>
#include <QHashFunctions>
#include <QImage>
#include <QString>
#include <QTransform>

class QPainter;

namespace tandrel {

// The script's words as ready images: each distinct word in each colour it
// takes while it is read, rendered once in device pixels (mirrored when the
// text is) and then only blended at whole device pixels. Drawing a prepared
// image costs a fraction of setting its glyphs, above all through a mirroring
// transform, and a block of text (the title) is not laid out anew on every
// paint. Main thread only, like the view that owns it.
class WordImages
{
public:
    // Forgets every image; the words' font changed.
    void clear();
    // Prepares drawing under `toDevice`, the transform from the column's
    // coordinates to the device; the painter's own transform is then reset.
    void begin(QPainter &painter, const QTransform &toDevice, const QFont &font);
    // Draws `text` in `color` with its box's top-left corner at `boxTopLeft`
    // in the column's coordinates (the box as wide as the text's advance and
    // as high as the font's line).
    void draw(QPainter &painter, const QString &text, QColor color, QPointF boxTopLeft);
    // Draws `text` in `font` and `color` laid out in `box` (column
    // coordinates) by `flags`, as QPainter::drawText does; one such block is
    // kept.
    void drawBlock(QPainter &painter, const QString &text, const QFont &font, QColor color, const QRectF &box,
                   int flags);

private:
    struct Key
    {
        QString text;
        QRgb color = 0;
        bool operator==(const Key &) const = default;
        friend size_t qHash(const Key &key, size_t seed = 0) { return qHashMulti(seed, key.text, key.color); }
    };
    struct BlockKey
    {
        QString text;
        QFont font;
        QRgb color = 0;
        QSizeF size;
        int flags = 0;
        bool operator==(const BlockKey &) const = default;
    };
    const QImage &image(const QString &text, QColor color);

    QFont m_font;
    QTransform m_toDevice;
    qreal m_dpr = 1;
    bool m_mirrored = false;
    QCache<Key, QImage> m_images;
    Key m_oversizedKey;
    QImage m_oversized;
    BlockKey m_blockKey;
    QImage m_block;
};

} // namespace tandrel
