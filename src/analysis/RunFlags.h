#pragma once
// What the tests of one run learn about the file and leave for later tests and for the
// choice of the rating messages. Every run starts from the defaults.

#include <string>

namespace pellvane {

struct RunFlags {
    // The quantization tables are the camera's own (compression signature test).
    bool signatureMatched = false;
    // The file has a FlashPix ("FPXR") APP2 segment.
    bool flashPixPresent = false;
    // The picture is too small to come from a camera (image size test).
    bool imageTooSmall = false;
    // The histogram test ended below "Suspected".
    bool histogramSuspect = false;
    // Data left by an early version of the maker's metadata editor was found.
    bool legacyDataFound = false;
    // A Nikon thumbnail carries the main picture's compression signature (embedded images).
    bool embeddedSignatureEqual = false;
    // This run created the codec as the external component.
    bool externalCodec = false;
    // Names of editing software the tests found, shown in the class 1 alert.
    std::string detectedSoftware;

    bool operator==(const RunFlags&) const = default;
};

} // namespace pellvane
