#include "imaging/ExifOrientation.h"

namespace pellvane {

bool ApplyExifOrientation(cDIBSection& picture, int orientation) {
    switch (orientation) {
    case 2:
        return picture.MirrorImage(true, false);
    case 3:
        return picture.MirrorImage(true, true);
    case 4:
        return picture.MirrorImage(false, true);
    case 5:
        return picture.MirrorImage(false, true) && picture.RotateImage(90);
    case 6:
        return picture.RotateImage(90);
    case 7:
        return picture.MirrorImage(true, false) && picture.RotateImage(90);
    case 8:
        return picture.RotateImage(270);
    default:
        return false;
    }
}

} // namespace pellvane
