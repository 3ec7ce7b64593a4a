#pragma once

#include <QtGlobal>

#include <cstdint>

namespace tandrel {

// Lays the row `over` of `count` premultiplied 32-bit pixels over the opaque
// row `under` into `to`, and scales the result's colour by `shade` / 255 (a
// black of opacity 1 - shade / 255 over it): the result is opaque. `to` may
// be `under`; without `under` the row is laid over black. On processors with AVX2 it is one pass of eight pixels at a
// time, rounded as exactly as QPainter blends; elsewhere two passes of
// libyuv's, within one or two levels of it.
void blendRowOver(const uchar *over, const uchar *under, uchar *to, int count, uint8_t shade = 255);

// The same on any processor, as blendRowOver() does without AVX2.
void blendRowOverPortable(const uchar *over, const uchar *under, uchar *to, int count, uint8_t shade = 255);

// Scales the colour of each of `count` pixels of `from` by its own factor /
// 255 into `to`, rounded, opaque: a black of opacity 1 - factor / 255 laid
// over each. With `mirrored` the row is read from its end, so that `to`
// holds it mirrored. In one pass of eight pixels at a time with AVX2.
void shadeRow(const uchar *from, const uint8_t *factors, uchar *to, int count, bool mirrored);
void shadeRowPortable(const uchar *from, const uint8_t *factors, uchar *to, int count, bool mirrored);

} // namespace tandrel
