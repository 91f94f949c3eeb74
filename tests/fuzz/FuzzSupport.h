#pragma once
// What the fuzz targets share: a scratch folder of their own, where each input is written as a
// file for the members that take a path and where the codec keeps its temporary files, and the
// check that nothing is left in it once the codec has closed the file.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace pellvane::fuzz {

// Makes the scratch folder (once per process) and points TEMP at it.
void PrepareScratchFolder();

// Writes the input to the scratch folder and returns the file's path; the same path each time.
const std::string& WriteInput(std::span<const uint8_t> bytes);

// Ends the process with a message when the scratch folder holds anything but the input file:
// a temporary file that outlived its codec.
void CheckNothingLeftBehind();

// Takes bytes off the front of the input for a target's own choices.
class cInputSplitter {
  public:
    explicit cInputSplitter(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    uint8_t TakeByte();
    uint32_t TakeUint32();
    std::span<const uint8_t> TakeBytes(size_t count);
    std::span<const uint8_t> Rest() const { return bytes_; }

  private:
    std::span<const uint8_t> bytes_;
};

} // namespace pellvane::fuzz

// Replays files or folders of inputs through LLVMFuzzerTestOneInput; the regression tests use it
// where no libFuzzer is linked in.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
