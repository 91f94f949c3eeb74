// The text forms of directory values: any stored value under any format, tag and directory, and
// the rational and real number forms.

#include "FuzzSupport.h"

#include "codec/ValueText.h"

#include <bit>
#include <cstring>

using namespace pellvane;

namespace {

template <typename Element> std::vector<Element> ElementsOf(std::span<const uint8_t> bytes) {
    std::vector<Element> elements(bytes.size() / sizeof(Element));
    if (!elements.empty()) std::memcpy(elements.data(), bytes.data(), elements.size() * sizeof(Element));
    return elements;
}

ExifValue ValueOf(uint8_t kind, std::span<const uint8_t> bytes) {
    switch (kind % 7) {
    case 0:
        return std::monostate{};
    case 1:
        return ByteArray(bytes.begin(), bytes.end());
    case 2:
        return std::string(bytes.begin(), bytes.end());
    case 3:
        return ElementsOf<int16_t>(bytes);
    case 4:
        return ElementsOf<int32_t>(bytes);
    case 5:
        return ElementsOf<float>(bytes);
    default:
        return ElementsOf<double>(bytes);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::cInputSplitter input({data, size});
    const uint8_t kind = input.TakeByte();
    const int32_t format = static_cast<int8_t>(input.TakeByte());
    const uint32_t tagNoID = input.TakeUint32();
    const int32_t ifd = static_cast<int8_t>(input.TakeByte());
    const auto numerator = static_cast<int32_t>(input.TakeUint32());
    const auto denominator = static_cast<int32_t>(input.TakeUint32());
    const uint64_t realBits = uint64_t{input.TakeUint32()} << 32 | input.TakeUint32();

    const ExifValue value = ValueOf(kind, input.Rest());
    (void)EntryValueText(value, format, tagNoID, ifd);
    (void)GenericValueText(value, format);
    (void)RationalText(numerator, denominator);
    (void)RealText(std::bit_cast<double>(realBits));
    return 0;
}
