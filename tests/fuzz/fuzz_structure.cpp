// Files built from a small description (entry counts, value lengths and formats, MPF entries,
// declared picture sizes, CR LF runs), so that inputs of a few bytes reach the structures
// whose counts multiply the work of a file; a few bytes of the result are then overwritten.
// The whole run examines each; once the codec is gone no temporary file may remain.

#include "FuzzSupport.h"

#include "analysis/AnalyzeFile.h"
#include "support/HostileFiles.h"

#include <cstdint>
#include <span>

using namespace pellvane;

namespace {

// Reads numbers from the front of the input; zeros once it is used up.
class cDescription {
  public:
    explicit cDescription(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    uint32_t Next(int byteCount) {
        uint32_t value = 0;
        for (int k = 0; k < byteCount; ++k)
            value = value << 8 | (at_ < bytes_.size() ? bytes_[at_++] : 0);
        return value;
    }
    bool Empty() const { return at_ >= bytes_.size(); }

  private:
    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
};

ByteArray BuildFile(cDescription& d) {
    switch (d.Next(1) % 4) {
    case 0: {
        const auto entries = static_cast<int32_t>(d.Next(2) % 2049);
        const uint32_t valueBytes = d.Next(3) % (1u << 20);
        return test::TagAmplificationFile(entries, valueBytes, static_cast<uint16_t>(d.Next(1) % 13 + 1));
    }
    case 1:
        return test::CrLfXmpFile(d.Next(3) % (1u << 20));
    case 2: {
        const auto images = static_cast<int32_t>(d.Next(2) % 4001);
        const auto width = static_cast<uint16_t>(d.Next(2)), height = static_cast<uint16_t>(d.Next(2));
        return test::MpfAmplificationFile(images, test::DeclaredHugeJpeg(width, height));
    }
    default: {
        const auto width = static_cast<uint16_t>(d.Next(2)), height = static_cast<uint16_t>(d.Next(2));
        return test::ThumbnailFile(test::DeclaredHugeJpeg(width, height));
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    cDescription description({data, size});
    ByteArray file = BuildFile(description);
    // The rest of the input overwrites bytes of the built file: (position, value) pairs.
    for (int edits = 0; edits < 32 && !description.Empty() && !file.empty(); ++edits) {
        const uint32_t position = description.Next(3);
        file[position % file.size()] = static_cast<uint8_t>(description.Next(1));
    }
    const std::string& path = fuzz::WriteInput(file);
    {
        std::unique_ptr<IExifCodec> codec;
        cSilentObserver observer;
        AnalysisSettings settings;
        (void)AnalyzeFile(path, codec, settings, observer);
    }
    fuzz::CheckNothingLeftBehind();
    return 0;
}
