#include "analysis/Evidence.h"

#include "base/Text.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <type_traits>
#include <variant>
#include <vector>

namespace pellvane {
namespace {

// The sentences of the checks' rules, grouped by check in the order the checks run, then the
// run's own. Codec rules follow in kCodecSentences.
constexpr std::array kCheckSentences = std::to_array<EvidenceSentence>({
    {"signature.editor-tables", "The quantization tables (signature {signature}) are those {editor} writes."},
    {"signature.samsung-writes-adobe-tables",
     "The quantization tables (signature {signature}) are Adobe's, which Samsung phones also write."},
    {"signature.no-editor-tables",
     "The quantization tables (signature {signature}) are not those of a known editor."},
    {"signature.listed-for-camera", "Signature {signature} is listed for this camera ({maker} \"{model}\")."},
    {"signature.not-listed-for-camera", "Signature {signature} is not listed for this camera ({maker} "
                                        "\"{model}\"); its cameras write other tables."},
    {"signature.maker-without-tables", "There is no table of camera signatures for {maker}: the signature is "
                                       "unknown to the table, which is not "
                                       "the same as incompatible."},

    {"makernote.maker-without-rules",
     "The maker has no MakerNote rules; MakerNote present: {makerNotePresent}, EXIF present: {exifPresent}."},
    {"makernote.apple-missing",
     "The Apple file has no MakerNote; iOS {softwareVersion} (iOS writes one from version "
     "{firstVersionWithMakerNote} on)."},
    {"makernote.sony-missing",
     "The Sony file has no MakerNote; Make \"{make}\" (Sony Ericsson phones write none)."},
    {"makernote.samsung-missing",
     "The Samsung file has no MakerNote; model \"{model}\", of a phone series that writes one: "
     "{phoneWithMakerNote}."},
    {"makernote.samsung-own-segments", "The phone's own APP4 segment and trailer are intact."},
    {"makernote.model-missing", "The file has no MakerNote; model \"{model}\" writes one: {modelWritesOne}."},
    {"makernote.missing", "The camera maker's MakerNote is missing."},
    {"makernote.not-read", "The MakerNote was not read."},
    {"makernote.not-original",
     "The MakerNote is not the camera's own; the camera's own tables: {signatureMatched}."},
    {"makernote.no-entries", "The MakerNote holds no entries."},
    {"makernote.original", "The MakerNote is the camera's own and holds {entries} entries."},
    {"makernote.canon-short-serial",
     "The Canon serial entry has {serialLength} characters where cameras write at least {minimumLength}; "
     "EOS model: {eos}."},

    {"exif-format.no-exif", "The file has no EXIF data."},
    {"exif-format.exif-only", "The EXIF segment is there and no JFIF segment was added beside it."},
    {"exif-format.jfif-beside-camera-tables",
     "A JFIF segment stands beside the EXIF data, but the tables are the camera's own."},
    {"exif-format.jfif-huawei", "A JFIF segment stands beside the EXIF data, as Huawei phones write it."},
    {"exif-format.jfif-added", "A JFIF segment was added beside the EXIF data."},

    {"image-size.square-or-below-640", "The picture is {width} x {height} pixels ({source}): square, or "
                                       "under {smallestPlausibleSide} pixels on "
                                       "its longer side."},
    {"image-size.at-most-800", "The picture is {width} x {height} pixels ({source}): at most "
                               "{largestEditedSide} pixels on its longer side."},

    {"software.editor-named", "The metadata names the editing software \"{software}\"."},
    {"software.icc-profile",
     "No editor is named, but the file carries an ICC profile of the kind editors add."},
    {"software.no-editor-named", "The metadata names no known editing software."},
    {"software.not-a-known-editor", "{where} names \"{name}\", which is not a known editor."},

    {"flashpix.present", "The FlashPix segment Fujifilm cameras write is there (model \"{model}\")."},
    {"flashpix.missing-old-camera-own-tables", "The FlashPix segment is missing, but the picture was taken "
                                               "before 2010 and the tables are the camera's own."},
    {"flashpix.missing-x-series",
     "The FlashPix segment every X-series camera writes is missing (model \"{model}\")."},
    {"flashpix.missing-own-tables", "The FlashPix segment is missing; the tables are the camera's own."},
    {"flashpix.missing", "The FlashPix segment Fujifilm cameras write is missing (model \"{model}\")."},

    {"mpf.valid", "The Multi-Picture Format index is consistent ({images} images)."},
    {"mpf.invalid", "The Multi-Picture Format index is inconsistent ({images} images)."},

    {"arot.covers-the-rows",
     "The AROT segment holds {values} values, one for each 16 rows of a {height}-row picture."},
    {"arot.rows-differ",
     "The AROT segment holds {values} values where a {height}-row picture needs {expectedValues}."},
    {"arot.missing", "The AROT segment iOS writes is missing (iOS {softwareVersion})."},
    {"arot.missing-before-ios-12",
     "The AROT segment is missing; iOS {softwareVersion} did not always write it."},

    {"embedded.images-found",
     "Embedded images: a thumbnail of {thumbnailBytes} bytes, {mpfImages} MPF images, {makerNotePreviews} "
     "MakerNote previews."},
    {"embedded.nikon-thumbnail-unreadable",
     "The Nikon thumbnail cannot be read as a JPEG (result {openResult})."},
    {"embedded.nikon-thumbnail-main-tables",
     "The Nikon thumbnail uses the main picture's tables ({mainSignature}), which a camera never does."},
    {"embedded.nikon-thumbnail-own-tables",
     "The Nikon thumbnail has tables of its own ({thumbnailSignature})."},
    {"embedded.similarity",
     "{image} {index} ({width} x {height}) against the main picture: similarity level {level}."},
    {"embedded.not-decodable", "{image} {index} cannot be decoded to compare it with the main picture."},

    {"histogram.continuity",
     "The histograms of the {width} x {height} picture show {suspiciousBins} gaps or spikes (red {red}, "
     "green "
     "{green}, blue {blue}; fewer than {passBelow} pass) at the threshold {threshold}."},

    {"internal.file-time-against-digitized", "File time {fileTime} against digitizing time {digitized}: "
                                             "{hoursApart} hours apart (limit {limitHours})."},
    {"internal.capture-time-against-gps", "Capture time {captureTime} against GPS time {gpsTime} (UTC): "
                                          "{hoursApart} hours apart (limit {limitHours})."},
    {"internal.nikon-iso", "Nikon's own ISO value {makerNoteIso} against the EXIF ISO value {exifIso}."},
    {"internal.nikon-data-size",
     "Nikon recorded {recorded} bytes of image data; the file holds {imageData}."},

    {"external.pixel-dimension",
     "{tag} records {recorded} pixels against a frame of {frameWidth} x {frameHeight}."},
    {"external.samsung-trailer-short",
     "The Samsung trailer of {trailerBytes} bytes is too short for its time stamp."},
    {"external.samsung-trailer-without-stamp", "The Samsung trailer holds no UTC time stamp."},
    {"external.samsung-stamp-without-capture-time",
     "There is no capture time to compare the trailer's time stamp with."},
    {"external.samsung-stamp", "The trailer's UTC time stamp {stamp} against the capture time {captureTime}: "
                               "{secondsApart} seconds apart "
                               "(limit {limitSeconds})."},
    {"external.makernote-size",
     "MakerNote size entry {tag}, element {element}, reads {recorded} against a frame of {frameWidth} x "
     "{frameHeight}."},
    {"external.camera-tables-soften-size",
     "A size disagrees, but the tables are the camera's own: more likely a camera's quirk than an edit."},

    {"aspect-ratio.against-sensor",
     "Aspect ratio {ratio} against the sensor ratio {sensorRatio}: a deviation of {deviation}."},

    {"legacy.editor-block", "The block left by the maker's early metadata editor was found: {editor}."},

    {"run.unknown-structure", "The file's structure cannot be read (result {openResult})."},

    // The per-file budget: work a file's structure asked for beyond its limits, left undone.
    {"budget.tag-values-not-decoded",
     "The values of {entries} directory entries ({bytes} bytes) were not decoded: the file's entries name "
     "more value bytes than the limit of {limit}."},
    {"budget.embedded-images-not-written", "{images} embedded images ({bytes} bytes) were not extracted: "
                                           "{bytesWritten} bytes were written already, "
                                           "the limit is {limit}."},
    {"budget.thumbnail-not-decoded",
     "The thumbnail declares {declaredPixels} pixels, more than the {limit} a thumbnail is decoded with."},
    {"budget.file-read-in-part", "Only the first {bytesRead} bytes of the file's {fileBytes} were read and "
                                 "examined: a file is held in memory up to {limit} bytes."},
    {"budget.trailing-data-kept-in-part",
     "The data after the end of the image holds {trailingBytes} bytes; its first {bytesKept} were kept "
     "(the limit is {limit})."},
    {"budget.embedded-images-not-compared",
     "{notCompared} embedded images were not compared with the main picture: {notWritten} not extracted, "
     "{beyondImageLimit} beyond the limit of {imageLimit} images, {beyondPixelLimit} beyond the limit of "
     "{pixelLimit} pixels."},
});

// The sentences of the codec's integrity rules: MakerNote identification and originality,
// previews, the thumbnail and the MPF index.
constexpr std::array kCodecSentences = std::to_array<EvidenceSentence>({
    {"makernote.none-read", "No MakerNote was read."},
    {"makernote.not-processed", "The MakerNote was not processed."},
    {"makernote.set-by-writer", "The MakerNote's originality was set by the program writing the file."},
    {"makernote.header-agrees-with-make", "The MakerNote's header names {headerMaker}, which agrees with the "
                                          "Make ({makeMaker}, model \"{model}\"); it "
                                          "has {length} bytes at offset {offset}."},
    {"makernote.header-disagrees-with-make",
     "The MakerNote's header names {headerMaker}, but the Make names {makeMaker} (model \"{model}\")."},
    {"makernote.header-unsigned",
     "The MakerNote carries no known header signature, so it is taken as the camera's own ({length} bytes at "
     "offset {offset})."},
    {"makernote.layout-unknown", "No MakerNote layout of this maker matches the block."},
    {"makernote.canon-offset-kept",
     "The Canon MakerNote is still at offset {offset}, where its trailer records it."},
    {"makernote.offset-moved",
     "The MakerNote was moved: it is at offset {offset}, but its trailer records {recordedOffset}."},
    {"makernote.canon-trailer-outside-file",
     "The Canon MakerNote's trailer would lie past the end of the file ({makerNoteLength} bytes declared, "
     "{bytesInFile} in the file)."},
    {"makernote.canon-trailer-missing",
     "The Canon MakerNote's trailer, which records its offset, is missing."},
    {"makernote.canon-recorded-offset-implausible",
     "The Canon MakerNote's trailer records the offset {recordedOffset}, beyond a file of {fileSize} bytes."},
    {"makernote.directory-outside-file",
     "A MakerNote directory at {directoryAt} lies outside the file of {fileSize} bytes."},
    {"makernote.subifd-count-implausible",
     "The MakerNote sub-directory {subIfdTag} declares an implausible {entryCount} entries."},
    {"makernote.subifd-first-entry-unusable",
     "The first entry of MakerNote sub-directory {subIfdTag} is unusable."},
    {"makernote.entry-components-negative",
     "MakerNote entry {tag} declares a negative count ({components})."},
    {"makernote.apple-stamp-changed",
     "The Apple MakerNote's fixed entry {tag} no longer reads as the camera wrote it ({stamp})."},
    {"makernote.pentax-exif-end-intact",
     "The Pentax EXIF segment still ends at {exifSegmentEnd} where the next marker begins."},
    {"makernote.pentax-exif-end-changed", "The Pentax EXIF segment's end at {exifSegmentEnd} is followed by "
                                          "bytes {byteAtEnd} {byteAfterEnd}, not a marker."},
    {"makernote.nikon-image-data-size-kept", "Nikon's recorded image data size {recordedImageDataSize} "
                                             "matches the image data ({streamSize} bytes plus "
                                             "its end marker)."},
    {"makernote.nikon-image-data-size-changed", "Nikon's recorded image data size {recordedImageDataSize} "
                                                "does not match the image data ({streamSize} bytes "
                                                "plus its end marker)."},
    {"makernote.samsung-phone-segments",
     "The Samsung phone's APP4 segment and trailer block are there ({trailingBytes} trailing bytes)."},
    {"makernote.samsung-phone-segments-missing", "The Samsung phone's own segments are incomplete: APP4 "
                                                 "segment {app4Segment}, trailer block {trailerBlock}."},
    {"makernote.preview-starts-as-jpeg", "The MakerNote preview (tag {tag}) at {position} starts as a JPEG."},
    {"makernote.preview-start-not-jpeg",
     "The MakerNote preview (tag {tag}) at {position} does not start as a JPEG (first byte {firstByte})."},
    {"makernote.preview-overwritten", "The MakerNote preview at {position} has been overwritten."},
    {"makernote.sony-preview-offset-missing",
     "The Sony preview's recorded offset {offset} (length {length}) holds no preview."},
    {"makernote.sony-preview-not-found",
     "No Sony preview was found at or near its recorded position {recordedPosition}."},
    {"makernote.sony-preview-found",
     "The Sony preview was found {shift} bytes from its recorded position {recordedPosition}."},

    {"thumbnail.none-extracted", "No thumbnail was extracted."},
    {"thumbnail.not-extracted",
     "The thumbnail ({thumbnailSize} bytes at {thumbnailOffset}) was not extracted."},
    {"thumbnail.outside-file",
     "The thumbnail ({thumbnailSize} bytes at {thumbnailOffset}) lies outside the file."},
    {"thumbnail.not-written", "The thumbnail could not be copied out for decoding."},
    {"thumbnail.no-picture-check", "No decoder was at hand to check the thumbnail."},
    {"thumbnail.decodes", "The thumbnail ({thumbnailSize} bytes at {thumbnailOffset}) decodes as a picture."},
    {"thumbnail.does-not-decode",
     "The thumbnail ({thumbnailSize} bytes at {thumbnailOffset}) does not decode as a picture."},

    {"mpf.none-read", "No Multi-Picture Format segment was read."},
    {"mpf.not-parsed", "The Multi-Picture Format segment was not read."},
    {"mpf.set-by-writer", "The MPF validity was set by the program writing the file."},
    {"mpf.byte-order-unknown", "The MPF segment's byte order mark is unknown ({firstByte} {secondByte})."},
    {"mpf.header-read", "The MPF header was read."},
    {"mpf.total-frames-differ", "{message} (NumberOfImages {numberOfImages}, TotalFrames {totalFrames})"},
    {"mpf.entry-block-size", "{message} ({numberOfImages} images, a block of {blockSize} bytes)"},
    {"mpf.primary-offset", "{message} (offset {offset})"},
    {"mpf.primary-size-short-dji", "{message} (size {size}, the primary image ends at {primaryEnd})"},
    {"mpf.primary-size-short", "{message} (size {size}, the primary image ends at {primaryEnd})"},
    {"mpf.image-start-not-soi", "{message} (image {image} at {start})"},
    {"mpf.image-start-outside-file", "{message} (image {image} at {start}, file of {fileSize} bytes)"},
    {"mpf.image-end-not-eoi", "{message} (image {image} ending at {end})"},
    {"mpf.image-end-outside-file", "{message} (image {image} ending at {end}, file of {fileSize} bytes)"},
    {"mpf.unique-id-format", "{message} (format {format})"},
    {"mpf.unique-id-block-size", "{message} ({numberOfImages} images, a block of {blockSize} bytes)"},
});

// Every sentence, the checks' first.
const std::vector<EvidenceSentence>& AllSentences() {
    static const std::vector<EvidenceSentence> all = [] {
        std::vector<EvidenceSentence> sentences(kCheckSentences.begin(), kCheckSentences.end());
        sentences.insert(sentences.end(), kCodecSentences.begin(), kCodecSentences.end());
        return sentences;
    }();
    return all;
}

std::string_view EnglishSentence(std::string_view rule) {
    for (const EvidenceSentence& sentence : EvidenceSentences())
        if (sentence.rule == rule) return sentence.english;
    return {};
}

const Fact* FindFact(const Finding& finding, std::string_view name) {
    for (const Fact& fact : finding.facts)
        if (fact.name == name) return &fact;
    return nullptr;
}

// The sentence with every {fact} replaced, in one pass; a name without a fact stays as written.
std::string FillIn(std::string_view sentence, const Finding& finding) {
    std::string text;
    text.reserve(sentence.size() + 32);
    size_t at = 0;
    while (at < sentence.size()) {
        const size_t open = sentence.find('{', at);
        const size_t close = open == std::string_view::npos ? open : sentence.find('}', open);
        if (close == std::string_view::npos) break;
        text.append(sentence.substr(at, open - at));
        const Fact* fact = FindFact(finding, sentence.substr(open + 1, close - open - 1));
        text +=
            fact != nullptr ? FactText(fact->value) : std::string(sentence.substr(open, close - open + 1));
        at = close + 1;
    }
    text.append(sentence.substr(std::min(at, sentence.size())));
    return text;
}

// A rule without a sentence: its identifier and its facts.
std::string PlainListing(const Finding& finding) {
    std::string text = finding.rule;
    for (size_t i = 0; i < finding.facts.size(); ++i)
        text += (i == 0 ? ": " : ", ") + finding.facts[i].name + " " + FactText(finding.facts[i].value);
    return text;
}

} // namespace

std::string FactText(const Fact::Value& value) {
    return std::visit(
        [](const auto& v) -> std::string {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, bool>) {
                return v ? GetText("Evidence", "Evidence.Yes", "yes")
                         : GetText("Evidence", "Evidence.No", "no");
            } else if constexpr (std::is_same_v<T, int64_t>) {
                return std::to_string(v);
            } else if constexpr (std::is_same_v<T, double>) {
                char text[32];
                if (std::isfinite(v) && v == std::trunc(v) && std::fabs(v) < 1e15)
                    std::snprintf(text, sizeof text, "%.0f", v);
                else
                    std::snprintf(text, sizeof text, "%.4g", v);
                return text;
            } else {
                return v;
            }
        },
        value);
}

std::string EvidenceText(const Finding& finding) {
    const std::string_view english = EnglishSentence(finding.rule);
    if (english.empty()) return PlainListing(finding);
    const std::string sentence = GetText("Evidence", "Evidence." + finding.rule, english);
    return FillIn(sentence, finding);
}

std::span<const EvidenceSentence> EvidenceSentences() {
    return AllSentences();
}

} // namespace pellvane
