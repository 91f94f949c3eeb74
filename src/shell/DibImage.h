#pragma once
// The pixel buffer as a Qt image, for drawing on screen.

#include "imaging/cDIBSection.h"

#include <QImage>

namespace pellvane {

// A copy of the buffer's pixels, top row first, as premultiplied ARGB (the buffer's BGRA
// bytes are that format's memory layout on little-endian machines). An empty buffer gives
// a null image.
QImage DibToImage(const cDIBSection& picture);

} // namespace pellvane
