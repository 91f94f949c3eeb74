#pragma once
// Turning a decoded picture upright from its EXIF orientation. Pictures are decoded as stored;
// the analysis applies the orientation to the picture it shows when it has finished with it.

#include "imaging/cDIBSection.h"

namespace pellvane {

// Applies an EXIF orientation value (tag 274) to the picture: 2 mirrors it left to right, 3 turns
// it half round, 4 mirrors it top to bottom, 5 mirrors top to bottom and turns a quarter
// clockwise, 6 turns a quarter clockwise, 7 mirrors left to right and turns a quarter clockwise,
// 8 turns a quarter counter-clockwise. 1 and any other value leave it as it is. True when the
// picture was changed.
bool ApplyExifOrientation(cDIBSection& picture, int orientation);

} // namespace pellvane
