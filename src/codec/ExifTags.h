#pragma once
// The TIFF/EXIF vocabulary every part of the program shares: directory selectors, value
// types and the tag numbers the codec and the checks look up.

#include <cstdint>

namespace pellvane {

// Directory selectors: which directory a tag is looked up in. 0 searches all of them.
enum IfdSelector : int32_t {
    kIfdAny = 0,
    kIfd0 = 1,
    kIfdExif = 2,
    kIfdGps = 3,
    kIfdInterop = 4,
    kIfdMakerNote = 5,
    kIfd1 = 6,
};

// TIFF value types of a directory entry.
enum TiffFormat : int32_t {
    kFormatAny = 0, // a lookup that accepts every type
    kFormatByte = 1,
    kFormatAscii = 2,
    kFormatShort = 3,
    kFormatLong = 4,
    kFormatRational = 5,
    kFormatSByte = 6,
    kFormatUndefined = 7,
    kFormatSShort = 8,
    kFormatSLong = 9,
    kFormatSRational = 10,
    kFormatFloat = 11,
    kFormatDouble = 12,
    kFormatIfd = 13,
};

// IFD0 and IFD1
inline constexpr uint32_t kTagImageWidth = 0x0100;
inline constexpr uint32_t kTagImageLength = 0x0101;
inline constexpr uint32_t kTagBitsPerSample = 0x0102;
inline constexpr uint32_t kTagCompression = 0x0103;
inline constexpr uint32_t kTagMake = 0x010F;
inline constexpr uint32_t kTagModel = 0x0110;
inline constexpr uint32_t kTagStripOffsets = 0x0111;
inline constexpr uint32_t kTagOrientation = 0x0112;
inline constexpr uint32_t kTagStripByteCounts = 0x0117;
inline constexpr uint32_t kTagSoftware = 0x0131;
inline constexpr uint32_t kTagDateTime = 0x0132;
inline constexpr uint32_t kTagJpegOffset = 0x0201;
inline constexpr uint32_t kTagJpegLength = 0x0202;
inline constexpr uint32_t kTagXmp = 0x02BC;
inline constexpr uint32_t kTagPhotoshopResources = 0x8649;
inline constexpr uint32_t kTagExifIfd = 0x8769;
inline constexpr uint32_t kTagGpsIfd = 0x8825;

// Exif IFD
inline constexpr uint32_t kTagExposureTime = 0x829A;
inline constexpr uint32_t kTagIsoSpeedRatings = 0x8827;
inline constexpr uint32_t kTagDateTimeOriginal = 0x9003;
inline constexpr uint32_t kTagDateTimeDigitized = 0x9004;
inline constexpr uint32_t kTagSubjectDistance = 0x9206;
inline constexpr uint32_t kTagMakerNote = 0x927C;
inline constexpr uint32_t kTagUserComment = 0x9286;
inline constexpr uint32_t kTagPixelXDimension = 0xA002;
inline constexpr uint32_t kTagPixelYDimension = 0xA003;
inline constexpr uint32_t kTagInteropIfd = 0xA005;

// GPS IFD
inline constexpr uint32_t kTagGpsTimeStamp = 0x0007;
inline constexpr uint32_t kTagGpsDateStamp = 0x001D;

// MakerNote IFD, per maker
inline constexpr uint32_t kTagNikonIso = 0x0002;
inline constexpr uint32_t kTagNikonImageDataSize =
    0x00A2; // the image data Nikon wrote, with the end-of-image marker
inline constexpr uint32_t kTagCanonSerial = 0x0096;
inline constexpr uint32_t kTagAppleCheck = 0x0003; // a fixed stamp that an intact MakerNote keeps
inline constexpr uint32_t kTagProcessingSoftware = 0x000B;

// MP directories of the Multi-Picture Format
inline constexpr uint32_t kTagMpNumberOfImages = 0xB001;
inline constexpr uint32_t kTagMpEntry = 0xB002;
inline constexpr uint32_t kTagMpImageUidList = 0xB003;
inline constexpr uint32_t kTagMpTotalFrames = 0xB004;

} // namespace pellvane
