#include "codec/extensions/Software.h"

#include "base/Text.h"
#include "codec/TagStore.h"
#include "codec/TextCodec.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <iconv.h>
#include <optional>
#include <string_view>

namespace pellvane {
namespace {

// Photoshop's image-resource segment of a plain save is larger than this; the small one
// that "Save for Web" writes next to its "Ducky" segment is not.
constexpr int32_t kPhotoshopSegmentMinimum = 181;

constexpr std::string_view kMicrosoftPhotoNamespace = "http://ns.microsoft.com/photo/";
constexpr std::string_view kWindowsPhotoViewer = "Microsoft Windows Photo Viewer";

// --- text helpers ---

bool SameIgnoringCase(char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

size_t FindIgnoringCase(std::string_view text, std::string_view part) {
    const auto at = std::search(text.begin(), text.end(), part.begin(), part.end(), SameIgnoringCase);
    return at == text.end() ? std::string_view::npos : static_cast<size_t>(at - text.begin());
}

bool ContainsIgnoringCase(std::string_view text, std::string_view part) {
    return FindIgnoringCase(text, part) != std::string_view::npos;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view start) {
    return text.size() >= start.size() && FindIgnoringCase(text.substr(0, start.size()), start) == 0;
}

// A case-sensitive match in which "*" stands for any run of characters. The last star is
// remembered and retried one character further on a mismatch, which needs no recursion.
bool MatchesPattern(std::string_view text, std::string_view pattern) {
    size_t t = 0, p = 0;
    size_t starAt = std::string_view::npos, resumeAt = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeAt = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            t = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool MatchesAnyPattern(std::string_view text, std::span<const std::string_view> patterns) {
    return std::any_of(patterns.begin(), patterns.end(),
                       [&](std::string_view p) { return MatchesPattern(text, p); });
}

// One pass into a new text: replacing in place would move the rest of the text for every match.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(text);
    std::string out;
    out.reserve(text.size());
    size_t start = 0;
    for (size_t at = text.find(from); at != std::string_view::npos; at = text.find(from, start)) {
        out.append(text, start, at - start).append(to);
        start = at + from.size();
    }
    return out.append(text, start);
}

std::string WithoutZeros(std::string text) {
    std::erase(text, '\0');
    return text;
}

std::string TrimmedOfBlanks(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return "";
    return std::string(text.substr(first, text.find_last_not_of(kBlanks) - first + 1));
}

// --- values inside an XMP packet ---

// Where a program's name stands in XMP: `opener` (found ignoring case) starts it, the name
// begins with the text after `skip` characters of it, and `closer` ends it.
struct ValueForm {
    std::string_view opener;
    size_t skip;
    std::string_view closer;
};

// The value of the first form whose opener occurs in the text; nothing when none occurs or
// the first that occurs is not closed.
std::optional<std::string> FindValue(std::string_view text, std::span<const ValueForm> forms) {
    for (const ValueForm& form : forms) {
        const size_t at = FindIgnoringCase(text, form.opener);
        if (at == std::string_view::npos) continue;
        const size_t start = at + form.skip;
        const size_t end = text.find(form.closer, start);
        if (end == std::string_view::npos) return std::nullopt;
        return std::string(text.substr(start, end - start));
    }
    return std::nullopt;
}

constexpr std::array<std::string_view, 4> kAdobeXmpPatterns = {
    "*softwareAgent=\"*Adobe *", "*CreatorTool=\"*Adobe *", "*softwareAgent>*Adobe *",
    "*CreatorTool>*Adobe *"};

// Attribute and element forms of xmp:CreatorTool and stEvt:softwareAgent; the name begins
// at "Adobe".
constexpr std::array<ValueForm, 4> kAdobeXmpValues = {{
    {"CreatorTool=\"Adobe", 13, "\""},
    {"CreatorTool>Adobe", 12, "</"},
    {"softwareAgent=\"Adobe", 15, "\""},
    {"softwareAgent>Adobe", 14, "</"},
}};

constexpr std::array<std::string_view, 2> kMicrosoftXmpPatterns = {
    "*xmlns:MicrosoftPhoto=\"http://ns.microsoft.com/photo/*", "*<xmp:CreatorTool>*Microsoft Windows*"};

constexpr std::array<ValueForm, 2> kMicrosoftXmpValues = {{
    {"MicrosoftPhoto=\"", 16, "\""},
    {"CreatorTool>", 12, "</"},
}};

// --- the Software tag ---

struct NamePart {
    std::string_view text;
    bool ignoreCase = false;
};

// A row of programs whose Software text names them. An empty key shows the text itself;
// otherwise the translated name under the key.
struct SoftwareRow {
    std::array<NamePart, 6> parts;
    std::string_view key;
    std::string_view name;
};

constexpr std::array<SoftwareRow, 6> kSoftwareRows = {{
    // Paint.NET writes its name in lower case since version 4, so that part alone is
    // compared ignoring case.
    {{{{"Paint.NET", true}, {"GIMP"}, {"Windows Photo"}}}, "", ""},
    {{{{"Digital Photo Professional"}}}, "", ""},
    {{{{"meitu.com"}}}, "Software.Meitu.Xiuxiu", "Meitu Xiuxiu"},
    {{{{"keniu.com"}}}, "Software.Keniu", "Keniu"},
    {{{{"Capture NX"}, {"ViewNX"}}}, "", ""},
    {{{{"Capture One"}, {"QuickTime"}, {"VSCO"}, {"Picasa"}, {"Snapseed"}, {"DxO Optics"}}}, "", ""},
}};

bool RowNames(const SoftwareRow& row, std::string_view software) {
    return std::any_of(row.parts.begin(), row.parts.end(), [&](const NamePart& part) {
        if (part.text.empty()) return false;
        return part.ignoreCase ? ContainsIgnoringCase(software, part.text)
                               : software.find(part.text) != std::string_view::npos;
    });
}

std::string SoftwareText(const IExifCodec& codec, uint32_t tag) {
    return CutAtNul(codec.TagValueString(tag, kIfd0));
}

std::string SoftwareName(std::string_view key, std::string_view englishName) {
    return GetText("Software", key, englishName);
}

// --- character conversion ---

// Converts `bytes` from the character code `from` to UTF-8. A sequence the code does not
// define becomes U+FFFD and the conversion goes on `skip` bytes later.
std::optional<std::string> ConvertToUtf8(std::span<const uint8_t> bytes, const char* from, size_t skip) {
    const iconv_t converter = ::iconv_open("UTF-8", from);
    if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out;
    std::string input(bytes.begin(), bytes.end());
    char* in = input.data();
    size_t inLeft = input.size();
    std::array<char, 1024> chunk{};
    while (inLeft > 0) {
        char* outAt = chunk.data();
        size_t outLeft = chunk.size();
        const size_t done = ::iconv(converter, &in, &inLeft, &outAt, &outLeft);
        out.append(chunk.data(), chunk.size() - outLeft);
        if (done != static_cast<size_t>(-1) || errno == E2BIG) continue;
        out += "\xEF\xBF\xBD";
        if (errno == EINVAL) break; // the text ends inside a character
        const size_t step = std::min(skip, inLeft);
        in += step;
        inLeft -= step;
    }
    ::iconv_close(converter);
    return out;
}

// UTF-16 text of unknown byte order. Characters below U+0020 are rare in real text, so
// the half of each byte pair that is mostly below 0x20 is taken for the high byte.
std::string DecodeUtf16Comment(std::span<const uint8_t> payload, int64_t textLength, bool bigEndianFile) {
    const size_t pairs = payload.size() / 2;
    size_t lowFirst = 0, lowSecond = 0;
    for (size_t k = 0; k < pairs; ++k) {
        if (payload[2 * k] < 0x20) ++lowFirst;
        if (payload[2 * k + 1] < 0x20) ++lowSecond;
    }
    const double half = static_cast<double>(textLength) / 2.0 * 0.75;
    const bool swap =
        static_cast<double>(lowFirst) > half || (bigEndianFile && static_cast<double>(lowSecond) <= half);
    std::vector<uint8_t> littleEndian(payload.begin(),
                                      payload.begin() + static_cast<std::ptrdiff_t>(2 * pairs));
    if (swap)
        for (size_t k = 0; k < pairs; ++k)
            std::swap(littleEndian[2 * k], littleEndian[2 * k + 1]);
    return WithoutZeros(ConvertToUtf8(littleEndian, "UTF-16LE", 2).value_or(""));
}

std::string NonZeroBytesAsText(std::span<const uint8_t> payload) {
    std::vector<uint8_t> kept;
    std::copy_if(payload.begin(), payload.end(), std::back_inserter(kept), [](uint8_t b) { return b != 0; });
    return AnsiToText(kept);
}

bool StartsWith(std::span<const uint8_t> bytes, std::string_view prefix) {
    return bytes.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), bytes.begin(),
                      [](char c, uint8_t b) { return static_cast<uint8_t>(c) == b; });
}

// --- the rules after the Adobe ones, each answering the name it recognises ---

std::optional<std::string> NameFromSoftwareTag(const IExifCodec& codec) {
    if (!codec.IsTagExisted(kTagSoftware, kIfd0, true)) return std::nullopt;
    const std::string software = SoftwareText(codec, kTagSoftware);
    for (const SoftwareRow& row : kSoftwareRows) {
        if (!RowNames(row, software)) continue;
        std::string name = row.key.empty() ? software : SoftwareName(row.key, row.name);
        if (name.empty()) return std::nullopt;
        return name;
    }
    return std::nullopt;
}

std::optional<std::string> NameFromProcessingSoftware(const IExifCodec& codec) {
    if (!codec.IsTagExisted(kTagProcessingSoftware, kIfd0, true)) return std::nullopt;
    std::string software = SoftwareText(codec, kTagProcessingSoftware);
    if (!ContainsIgnoringCase(software, "digiKam")) return std::nullopt;
    return software;
}

std::optional<std::string> NameFromMicrosoftXmp(const IExifCodec& codec) {
    if (!codec.XMPExisted(true)) return std::nullopt;
    const std::string xmp = codec.XMPText();
    if (!MatchesAnyPattern(xmp, kMicrosoftXmpPatterns)) return std::nullopt;
    const std::optional<std::string> value = FindValue(xmp, kMicrosoftXmpValues);
    // The value after "MicrosoftPhoto=" is usually the namespace itself, which names no program.
    if (!value || value->find(kMicrosoftPhotoNamespace) != std::string::npos)
        return std::string(kWindowsPhotoViewer);
    return value;
}

std::optional<std::string> NameFromUserComment(const IExifCodec& codec) {
    if (!codec.IsTagExisted(kTagUserComment, kIfdExif, true)) return std::nullopt;
    const ExifValue value = codec.TagValue(kTagUserComment, kIfdExif);
    ByteArray bytes;
    if (const auto* raw = std::get_if<ByteArray>(&value)) bytes = *raw;
    if (const auto* text = std::get_if<std::string>(&value)) bytes = TextToAnsi(*text);
    std::string comment = DecodeUserComment(bytes, codec.ByteOrder());
    if (!ContainsIgnoringCase(comment, "CREATOR: gd-jpeg")) return std::nullopt;
    return comment;
}

std::optional<std::string> NameFromCommentSegments(const IExifCodec& codec) {
    for (int32_t i = 0; i < codec.MarkerCount(); ++i) {
        if (codec.MarkerNo(i) != kMarkerCOM || codec.MarkerOperation(i) == kOperationDeleted) continue;
        const ByteArray data = codec.MarkerData(i);
        const std::string text = AnsiToText(std::span(data).subspan(std::min<size_t>(2, data.size())));
        if (!ContainsIgnoringCase(text, "AppleMark") && !ContainsIgnoringCase(text, "CREATOR: gd-jpeg"))
            continue;
        if (ContainsIgnoringCase(text, "Apple")) return std::string("QuickTime");
        return TrimmedOfBlanks(CutAtNul(ReplaceAll(text, "CREATOR:", "")));
    }
    return std::nullopt;
}

} // namespace

std::string DecodeUserComment(std::span<const uint8_t> comment, bool bigEndianFile) {
    const int64_t textLength = static_cast<int64_t>(comment.size()) - 9;
    if (textLength < 0) return "";
    const auto payload = comment.subspan(8);
    if (StartsWith(comment, "UNIC")) return DecodeUtf16Comment(payload, textLength, bigEndianFile);
    if (StartsWith(comment, "ASCI")) return NonZeroBytesAsText(payload);
    if (StartsWith(comment, std::string_view("JIS\0", 4))) {
        // The Japanese Windows code page, a superset of Shift JIS.
        if (auto text = ConvertToUtf8(payload, "CP932", 1)) return WithoutZeros(std::move(*text));
    }
    return WithoutZeros(AnsiToText(payload));
}

bool IdentifyAdobeSoftware(const IExifCodec* codec, std::string& softwareName) {
    if (codec == nullptr) return false;
    if (codec->IsTagExisted(kTagSoftware, kIfd0, true)) {
        const std::string software = SoftwareText(*codec, kTagSoftware);
        if (StartsWithIgnoringCase(software, "ACD") || ContainsIgnoringCase(software, "Adobe")) {
            softwareName = software;
            return true;
        }
    }
    if (codec->XMPExisted(true)) {
        const std::string xmp = ReplaceAll(codec->XMPText(), "\r\n", "\r");
        if (MatchesAnyPattern(xmp, kAdobeXmpPatterns)) {
            const std::optional<std::string> value = FindValue(xmp, kAdobeXmpValues);
            softwareName =
                value ? *value : SoftwareName("Software.Adobe.UnknownProduct", "Adobe (Unknown Product)");
            return true;
        }
    }
    if (codec->IsTagExisted(kTagPhotoshopResources, kIfd0, true)) {
        softwareName =
            SoftwareName("Software.Adobe.Photoshop.UnknownVersion", "Adobe Photoshop (Unknown Version)");
        return true;
    }
    if (codec->FileType() < kFileTiff) {
        const int16_t photoshop = codec->FindMarker(kMarkerAPP13, "Photoshop");
        if (photoshop >= 0 && codec->MarkerSize(photoshop) >= kPhotoshopSegmentMinimum) {
            softwareName =
                SoftwareName("Software.Adobe.Photoshop.UnknownVersion", "Adobe Photoshop (Unknown Version)");
            return true;
        }
        if (codec->FindMarker(kMarkerAPP12, "Ducky") >= 0) {
            softwareName = SoftwareName("Software.Adobe.Photoshop.Ducky", "Adobe Photoshop (Save for Web)");
            return true;
        }
        if (codec->FindMarker(kMarkerAPP14, "Adobe") >= 0) {
            softwareName = SoftwareName("Software.Adobe.UnknownProduct", "Adobe (Unknown Product)");
            return true;
        }
    }
    return false;
}

bool IdentifySoftware(const IExifCodec* codec, bool& iccHint, std::string& softwareName) {
    if (codec == nullptr) return false;
    if (IdentifyAdobeSoftware(codec, softwareName)) return true;
    using Rule = std::optional<std::string> (*)(const IExifCodec&);
    static constexpr std::array<Rule, 5> kRules = {NameFromSoftwareTag, NameFromProcessingSoftware,
                                                   NameFromMicrosoftXmp, NameFromUserComment,
                                                   NameFromCommentSegments};
    for (Rule rule : kRules) {
        if (std::optional<std::string> name = rule(*codec)) {
            softwareName = std::move(*name);
            return true;
        }
    }
    if (codec->FindMarker(kMarkerAPP2, "ICC_PROFILE") >= 0 && codec->Manufacturer() != kMakerApple)
        iccHint = true;
    return false;
}

} // namespace pellvane
