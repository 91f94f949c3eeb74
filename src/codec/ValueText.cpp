#include "codec/ValueText.h"

#include "codec/ExifTags.h"
#include "codec/TextCodec.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace pellvane {

size_t ValueElementCount(const ExifValue& v) {
    return std::visit(
        [](const auto& x) -> size_t {
            if constexpr (std::is_same_v<std::decay_t<decltype(x)>, std::monostate>)
                return 0;
            else
                return x.size();
        },
        v);
}

namespace {

// A file may store any real number where an integer is expected: its integer part, held to the
// range of the file's 32-bit integers (converting a value beyond the result's range is undefined,
// and sums of such values must not overflow), and 0 for what is no number.
int64_t RealToInteger(double value) {
    if (!std::isfinite(value)) return 0;
    return static_cast<int64_t>(std::clamp(value, double{INT32_MIN}, double{UINT32_MAX}));
}

} // namespace

int64_t ValueElement(const ExifValue& v, size_t i, bool asUnsigned) {
    return std::visit(
        [&](const auto& x) -> int64_t {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                return 0;
            } else {
                if (i >= x.size()) return 0;
                if constexpr (std::is_same_v<T, std::string>)
                    return static_cast<uint8_t>(x[i]);
                else if constexpr (std::is_same_v<T, ByteArray>)
                    return x[i];
                else if constexpr (std::is_same_v<T, std::vector<int16_t>>)
                    return asUnsigned ? static_cast<int64_t>(static_cast<uint16_t>(x[i])) : x[i];
                else if constexpr (std::is_same_v<T, std::vector<int32_t>>)
                    return asUnsigned ? static_cast<int64_t>(static_cast<uint32_t>(x[i])) : x[i];
                else
                    return RealToInteger(x[i]);
            }
        },
        v);
}

double ValueElementReal(const ExifValue& v, size_t i) {
    if (const auto* f = std::get_if<std::vector<float>>(&v)) return i < f->size() ? (*f)[i] : 0.0;
    if (const auto* d = std::get_if<std::vector<double>>(&v)) return i < d->size() ? (*d)[i] : 0.0;
    return static_cast<double>(ValueElement(v, i));
}

namespace {

// Formats with a fixed number of decimals, then drops trailing zeros but keeps at least
// `minDecimals` of them.
std::string FixedTrimmed(double value, int maxDecimals, int minDecimals) {
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", maxDecimals, value);
    std::string s(buf);
    const auto point = s.find('.');
    if (point == std::string::npos) return s;
    size_t keep = s.size();
    while (keep > point + 1 + static_cast<size_t>(minDecimals) && s[keep - 1] == '0')
        --keep;
    s.resize(keep);
    if (s.back() == '.') s.pop_back();
    return s;
}

std::string ShortestSingle(float q) {
    q += 0.0f; // turns a negative zero into zero
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, q);
    return ec == std::errc() ? std::string(buf, end) : std::string("0");
}

std::string JoinElements(const ExifValue& v, size_t step, auto&& one) {
    std::string out;
    const size_t n = ValueElementCount(v);
    for (size_t i = 0; i + step <= n; i += step) {
        if (!out.empty()) out += ", ";
        out += one(i);
    }
    return out;
}

std::string HexBytes(const ExifValue& v) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const size_t n = ValueElementCount(v);
    std::string out;
    for (size_t i = 0; i < n && i < 24; ++i) {
        const auto b = static_cast<uint8_t>(ValueElement(v, i));
        out += kHex[b >> 4];
        out += kHex[b & 15];
        out += ' ';
    }
    if (n > 24) out += "...";
    return out;
}

std::string RationalPairs(const ExifValue& v, auto&& pair) {
    return JoinElements(v, 2, [&](size_t i) {
        return pair(static_cast<int32_t>(ValueElement(v, i)), static_cast<int32_t>(ValueElement(v, i + 1)));
    });
}

bool IsVersionField(uint32_t tagNoID, int32_t ifd) {
    const bool versionTag = tagNoID == 0 || tagNoID == 2 || tagNoID == 36864 || tagNoID == 40960;
    return versionTag && ifd >= 2 && ifd <= 4;
}

} // namespace

std::string RationalText(int32_t numerator, int32_t denominator) {
    if (denominator == 0) return "0";
    const auto q = static_cast<float>(static_cast<double>(numerator) / denominator);
    if (q != 0.0f && std::fabs(q) < 1.0f) return FixedTrimmed(q, 8, 1);
    return ShortestSingle(q);
}

std::string RealText(double value) {
    if (!std::isfinite(value)) return ShortestSingle(static_cast<float>(value));
    return FixedTrimmed(value, 12, 0);
}

std::string GenericValueText(const ExifValue& value, int32_t format) {
    if (IsEmptyValue(value)) return "";
    switch (format) {
    case kFormatByte:
    case kFormatUndefined:
        return HexBytes(value);
    case kFormatAscii:
        if (const auto* s = std::get_if<std::string>(&value)) return *s;
        return "";
    case kFormatShort:
    case kFormatLong:
        return JoinElements(value, 1, [&](size_t i) { return std::to_string(ValueElement(value, i, true)); });
    case kFormatRational:
    case kFormatSRational:
        return RationalPairs(value, [](int32_t a, int32_t b) { return RationalText(a, b); });
    case kFormatSByte:
        return JoinElements(value, 1, [&](size_t i) {
            return std::to_string(static_cast<int8_t>(static_cast<uint8_t>(ValueElement(value, i))));
        });
    case kFormatSShort:
    case kFormatSLong:
    case kFormatIfd:
        return JoinElements(value, 1, [&](size_t i) { return std::to_string(ValueElement(value, i)); });
    case kFormatFloat:
    case kFormatDouble:
        return JoinElements(value, 1, [&](size_t i) { return RealText(ValueElementReal(value, i)); });
    default:
        return "";
    }
}

std::string EntryValueText(const ExifValue& value, int32_t format, uint32_t tagNoID, int32_t ifd) {
    if (IsEmptyValue(value)) return "";
    if (format == 5) {
        if (tagNoID == kTagSubjectDistance && ValueElement(value, 0) == -1) return "0xFFFFFFFF";
        return RationalPairs(value, [&](int32_t a, int32_t b) {
            const double ratio = b == 0 ? 0.0 : static_cast<double>(a) / b;
            if (tagNoID == kTagExposureTime && ratio < 1.0)
                return std::to_string(a) + "/" + std::to_string(b);
            return RationalText(a, b);
        });
    }
    if ((format == 1 || format == 7) && IsVersionField(tagNoID, ifd)) {
        std::string out;
        for (size_t i = 0; i < ValueElementCount(value); ++i) {
            const auto b = static_cast<uint8_t>(ValueElement(value, i));
            if (format == 1)
                out += std::to_string(b);
            else
                out += AnsiToText(std::span<const uint8_t>(&b, 1));
        }
        return out;
    }
    return GenericValueText(value, format);
}

} // namespace pellvane
