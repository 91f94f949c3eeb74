// The Multi-Picture Format parse on its own: the first APP2 "MPF" segment of an arbitrary file,
// with the end of the primary image taken either from the file or from the input's first bytes.

#include "FuzzSupport.h"

#include "codec/extensions/Mpf.h"

#include <algorithm>
#include <array>

using namespace pellvane;

namespace {

constexpr std::array<uint8_t, 4> kMpfIdentifier{'M', 'P', 'F', 0};

// Offset of the first FF E2 marker followed by a length and the MPF identifier, or -1.
int64_t FindMpfSegment(std::span<const uint8_t> file) {
    for (size_t i = 0; i + 8 <= file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == 0xE2 &&
            std::equal(kMpfIdentifier.begin(), kMpfIdentifier.end(), &file[i + 4]))
            return static_cast<int64_t>(i);
    return -1;
}

int64_t FindEndOfImage(std::span<const uint8_t> file, size_t from) {
    for (size_t i = from; i + 2 <= file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == 0xD9) return static_cast<int64_t>(i);
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::PrepareScratchFolder();
    fuzz::cInputSplitter input({data, size});
    const uint8_t choices = input.TakeByte();
    const uint32_t declaredEoi = input.TakeUint32();
    const std::span<const uint8_t> file = input.Rest();
    const int64_t segmentPointer = FindMpfSegment(file);
    if (segmentPointer < 0) return 0;

    const size_t dataStart = static_cast<size_t>(segmentPointer) + 2;
    const size_t length = size_t{file[dataStart]} << 8 | file[dataStart + 1];
    const auto segment = file.subspan(dataStart, std::min(length, file.size() - dataStart));
    const int64_t primaryEoi = choices & 1 ? static_cast<int64_t>(declaredEoi % (file.size() + 1))
                                           : FindEndOfImage(file, dataStart + segment.size());

    const cByteReader reader(file);
    MpfData mpf = ParseMpf(MpfSource{reader, segment, segmentPointer, primaryEoi, (choices >> 1) % 16,
                                     (choices & 0x20) != 0, (choices & 0x40) != 0});
    for (const MpfEntry& entry : mpf.entries)
        (void)MpfTagName(entry.tag);
    ReleaseMpfImages(mpf);
    fuzz::CheckNothingLeftBehind();
    return 0;
}
