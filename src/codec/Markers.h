#pragma once
// JPEG marker numbers and segment operations. A marker number is the two marker bytes read
// little-endian (FF D8 gives 0xD8FF); every marker comparison uses this form.

#include <cstdint>

namespace pellvane {

constexpr int16_t MarkerNumber(uint8_t second) {
    return static_cast<int16_t>(0xFF | second << 8);
}

inline constexpr int16_t kMarkerSOI = MarkerNumber(0xD8);
inline constexpr int16_t kMarkerEOI = MarkerNumber(0xD9);
inline constexpr int16_t kMarkerSOS = MarkerNumber(0xDA);
inline constexpr int16_t kMarkerDQT = MarkerNumber(0xDB);
inline constexpr int16_t kMarkerDRI = MarkerNumber(0xDD);
inline constexpr int16_t kMarkerAPP0 = MarkerNumber(0xE0);
inline constexpr int16_t kMarkerAPP1 = MarkerNumber(0xE1);
inline constexpr int16_t kMarkerAPP2 = MarkerNumber(0xE2);
inline constexpr int16_t kMarkerAPP4 = MarkerNumber(0xE4);
inline constexpr int16_t kMarkerAPP10 = MarkerNumber(0xEA);
inline constexpr int16_t kMarkerAPP12 = MarkerNumber(0xEC);
inline constexpr int16_t kMarkerAPP13 = MarkerNumber(0xED);
inline constexpr int16_t kMarkerAPP14 = MarkerNumber(0xEE);
inline constexpr int16_t kMarkerCOM = MarkerNumber(0xFE);

// What was done to a segment or a directory entry since the file was read.
enum Operation : int32_t {
    kOperationNone = 0,
    kOperationEdited = 1,
    kOperationAdded = 2, // directory entries only
    kOperationDeleted = 3,
};

} // namespace pellvane
