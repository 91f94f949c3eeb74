// JPEG decoding with libjpeg-turbo, straight into the buffer's blue-green-red-alpha layout.

#include "imaging/Decoders.h"

#include "imaging/Rounding.h"

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <memory>

#include <jerror.h>
#include <jpeglib.h>

namespace pellvane::decoding {

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return. Ours jumps back to
// the decode, which then answers false; the library's default would end the process.
// The error manager, with what the decode learns from its messages and the monitor that limits
// the number of scans.
struct JpegErrorManager {
    jpeg_error_mgr base; // first member: libjpeg hands back a pointer to it
    std::jmp_buf escape;
    bool ranOutOfData = false;
    jpeg_progress_mgr progress{};
};

JpegErrorManager& ManagerOf(j_common_ptr cinfo) {
    return *reinterpret_cast<JpegErrorManager*>(cinfo->err);
}

[[noreturn]] void EscapeOnError(j_common_ptr cinfo) {
    std::longjmp(ManagerOf(cinfo).escape, 1);
}

// Warnings are never printed. When the data ends early libjpeg warns, pretends the picture ends
// there and paints whatever is missing grey, as if it had decoded. Many files that cameras and
// programs write lack only their end-of-image marker, though, and the decoder reads a few bytes
// ahead, so running out of data alone does not mean that pixels are missing. They are missing
// when, after that, the entropy decoder finds it needs bits that are not there.
void HandleMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    JpegErrorManager& manager = ManagerOf(cinfo);
    if (cinfo->err->msg_code == JWRN_JPEG_EOF) manager.ranOutOfData = true;
    if (cinfo->err->msg_code == JWRN_HIT_MARKER && manager.ranOutOfData) EscapeOnError(cinfo);
}

void IgnoreOutput(j_common_ptr) {}

// Each scan of a progressive picture passes over the whole picture once more, so a small file
// of many tiny scans costs time without bound. Encoders write about ten; libjpeg-turbo's own
// tools refuse more than 500, and so does this decoder.
constexpr int kMaxScans = 500;

void LimitScans(j_common_ptr cinfo) {
    const auto* decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (decompress->input_scan_number > kMaxScans) EscapeOnError(cinfo);
}

// libjpeg-turbo hands out a few rows per call; asking for this many lets it give all it has.
constexpr auto kRowsPerCall = static_cast<JDIMENSION>(kRowsPerRead);

bool ReadBgraRows(jpeg_decompress_struct& cinfo, IRowSink& sink, const JpegInput& input) {
    const JDIMENSION end = std::min(cinfo.output_height, static_cast<JDIMENSION>(std::max(input.endRow, 0)));
    if (input.firstRow > 0) jpeg_skip_scanlines(&cinfo, static_cast<JDIMENSION>(input.firstRow));
    while (cinfo.output_scanline < end) {
        JSAMPROW rows[kRowsPerCall];
        const JDIMENSION first = cinfo.output_scanline;
        const JDIMENSION count = std::min(kRowsPerCall, end - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = sink.RowFor(static_cast<int32_t>(first + i)).data();
        const JDIMENSION read = jpeg_read_scanlines(&cinfo, rows, count);
        if (read == 0) return false;
        sink.RowsDone(static_cast<int32_t>(first), static_cast<int32_t>(read));
    }
    return true;
}

uint8_t InkToLight(uint8_t ink, uint8_t black) {
    return static_cast<uint8_t>(RoundedQuotient(uint64_t{255u - ink} * (255u - black), 255));
}

// libjpeg cannot turn CMYK into BGRA itself. Files written by Adobe software store the inks
// inverted (0 is full ink), the other writers store them as they are.
bool ReadCmykRows(jpeg_decompress_struct& cinfo, IRowSink& sink) {
    const JDIMENSION width = cinfo.output_width;
    JSAMPARRAY scratch =
        (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, width * 4, 1);
    const uint8_t inversion = cinfo.saw_Adobe_marker ? 255 : 0;
    while (cinfo.output_scanline < cinfo.output_height) {
        const auto row = static_cast<int32_t>(cinfo.output_scanline);
        if (jpeg_read_scanlines(&cinfo, scratch, 1) == 0) return false;
        uint8_t* out = sink.RowFor(row).data();
        const uint8_t* ink = scratch[0];
        for (JDIMENSION x = 0; x < width; ++x, ink += 4, out += 4) {
            const uint8_t black = static_cast<uint8_t>(ink[3] ^ inversion);
            out[0] = InkToLight(static_cast<uint8_t>(ink[2] ^ inversion), black);
            out[1] = InkToLight(static_cast<uint8_t>(ink[1] ^ inversion), black);
            out[2] = InkToLight(static_cast<uint8_t>(ink[0] ^ inversion), black);
            out[3] = 255;
        }
        sink.RowsDone(row, 1);
    }
    return true;
}

// A file of several scans that ran out of data may have lost whole scans without the entropy
// decoder ever going short of bits. A progressive picture is whole when every coefficient of
// every component has arrived down to its last bit; for other multi-scan files there is no such
// record, and running out of data counts as losing some.
bool AllScansArrived(const jpeg_decompress_struct& cinfo) {
    if (!cinfo.progressive_mode) return false;
    for (int component = 0; component < cinfo.num_components; ++component)
        for (int k = 0; k < DCTSIZE2; ++k)
            if (cinfo.coef_bits[component][k] != 0) return false;
    return true;
}

// A regular file read piece by piece, so that a large file never sits in memory whole. It gives
// the decoder the very bytes, and the same end, that the whole file in memory would: the bytes
// the file held when it was opened, then a warning and an end-of-image marker. A file that
// shrank since it was opened fails, as its whole read would.
struct FileSource {
    jpeg_source_mgr base; // first member: libjpeg hands back a pointer to it
    const cRegularFile* file = nullptr;
    int64_t offset = 0;
    std::array<JOCTET, 64 * 1024> buffer;
};

constexpr JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

FileSource& SourceOf(j_decompress_ptr cinfo) {
    return *reinterpret_cast<FileSource*>(cinfo->src);
}

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillFromFile(j_decompress_ptr cinfo) {
    FileSource& source = SourceOf(cinfo);
    const int64_t left = source.file->Size() - source.offset;
    if (left <= 0) {
        WARNMS(cinfo, JWRN_JPEG_EOF);
        source.base.next_input_byte = kEndOfImage;
        source.base.bytes_in_buffer = sizeof kEndOfImage;
        return TRUE;
    }
    const auto count = static_cast<size_t>(std::min<int64_t>(left, source.buffer.size()));
    if (!source.file->ReadAt(source.offset, {source.buffer.data(), count})) ERREXIT(cinfo, JERR_FILE_READ);
    source.offset += static_cast<int64_t>(count);
    source.base.next_input_byte = source.buffer.data();
    source.base.bytes_in_buffer = count;
    return TRUE;
}

void SkipInFile(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    jpeg_source_mgr& base = SourceOf(cinfo).base;
    while (static_cast<size_t>(count) > base.bytes_in_buffer) {
        count -= static_cast<long>(base.bytes_in_buffer);
        FillFromFile(cinfo);
    }
    base.next_input_byte += count;
    base.bytes_in_buffer -= static_cast<size_t>(count);
}

void UseFileSource(jpeg_decompress_struct& cinfo, FileSource& source) {
    source.base =
        jpeg_source_mgr{nullptr, 0, InitSource, FillFromFile, SkipInFile, jpeg_resync_to_restart, TermSource};
    cinfo.src = &source.base;
}

// Everything libjpeg may leave by a long jump happens in here. The function holds no object with
// a destructor, so the jump skips nothing that has to run; the caller destroys the decompressor.
bool UsesInks(const jpeg_decompress_struct& cinfo) {
    return cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
}

bool Splittable(jpeg_decompress_struct& cinfo) {
    return !UsesInks(cinfo) && !jpeg_has_multiple_scans(&cinfo);
}

bool WholePicture(const JpegInput& input) {
    return input.firstRow <= 0 && input.endRow == INT32_MAX;
}

// Creates the decompressor and reads the header; false for data that is no JPEG or a picture
// larger than the pixel buffer holds. Jumps back to the caller's setjmp on fatal errors.
bool ReadHeader(jpeg_decompress_struct& cinfo, JpegErrorManager& errors, const JpegInput& input,
                FileSource* fileSource) {
    jpeg_create_decompress(&cinfo);
    errors.progress.progress_monitor = LimitScans;
    cinfo.progress = &errors.progress;
    if (fileSource != nullptr)
        UseFileSource(cinfo, *fileSource);
    else
        jpeg_mem_src(&cinfo, input.bytes.data(), static_cast<unsigned long>(input.bytes.size()));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) return false;
    // The size check comes before jpeg_start_decompress, which allocates the library's own
    // buffers for a picture of the declared size.
    return FitsPixelLimit(cinfo.image_width, cinfo.image_height);
}

bool RunProbe(jpeg_decompress_struct& cinfo, JpegErrorManager& errors, const JpegInput& input,
              FileSource* fileSource, JpegFrame& frame) {
    if (setjmp(errors.escape) != 0) return false;
    if (!ReadHeader(cinfo, errors, input, fileSource)) return false;
    frame = {static_cast<int32_t>(cinfo.image_width), static_cast<int32_t>(cinfo.image_height),
             Splittable(cinfo)};
    return true;
}

bool RunDecompress(jpeg_decompress_struct& cinfo, JpegErrorManager& errors, const JpegInput& input,
                   FileSource* fileSource, IRowSink& sink) {
    if (setjmp(errors.escape) != 0) return false;
    if (!ReadHeader(cinfo, errors, input, fileSource)) return false;
    if (!WholePicture(input) && !Splittable(cinfo)) return false;
    const bool inks = UsesInks(cinfo);
    cinfo.out_color_space = inks ? JCS_CMYK : JCS_EXT_BGRA;
    // With several scans, starting the decompression reads the whole file.
    jpeg_start_decompress(&cinfo);
    if (errors.ranOutOfData && jpeg_has_multiple_scans(&cinfo) && !AllScansArrived(cinfo)) return false;
    if (!sink.Begin(static_cast<int32_t>(cinfo.output_width), static_cast<int32_t>(cinfo.output_height)))
        return false;
    return inks ? ReadCmykRows(cinfo, sink) : ReadBgraRows(cinfo, sink, input);
}

// The rows of a whole pixel buffer, bottom-up in memory.
class cBufferSink final : public IRowSink {
  public:
    explicit cBufferSink(cDIBSection& target) : target_(target) {}
    bool Begin(int32_t width, int32_t height) override {
        return target_.InitializeDIBForOverwrite(width, height);
    }
    std::span<uint8_t> RowFor(int32_t topRow) override {
        return target_.MemoryRow(target_.Height() - 1 - topRow);
    }
    void RowsDone(int32_t, int32_t) override {}

  private:
    cDIBSection& target_;
};

// A decompressor with our error handling over the input, destroyed with this object.
// Destroying is safe at any stage, even when creation itself failed.
struct Decompression {
    explicit Decompression(const JpegInput& input) {
        cinfo.err = jpeg_std_error(&errors.base);
        errors.base.error_exit = EscapeOnError;
        errors.base.emit_message = HandleMessage;
        errors.base.output_message = IgnoreOutput;
        if (input.file != nullptr) {
            fileSource = std::make_unique<FileSource>();
            fileSource->file = input.file;
        }
    }
    Decompression(const Decompression&) = delete;
    Decompression& operator=(const Decompression&) = delete;
    ~Decompression() { jpeg_destroy_decompress(&cinfo); }

    jpeg_decompress_struct cinfo{};
    JpegErrorManager errors{};
    std::unique_ptr<FileSource> fileSource;
};

} // namespace

bool StreamJpeg(const JpegInput& input, IRowSink& sink) {
    Decompression decompression(input);
    return RunDecompress(decompression.cinfo, decompression.errors, input, decompression.fileSource.get(),
                         sink);
}

std::optional<JpegFrame> ProbeJpeg(const JpegInput& input) {
    Decompression decompression(input);
    JpegFrame frame;
    if (!RunProbe(decompression.cinfo, decompression.errors, input, decompression.fileSource.get(), frame))
        return std::nullopt;
    return frame;
}

bool DecodeJpeg(std::span<const uint8_t> bytes, cDIBSection& target) {
    cBufferSink sink(target);
    if (!StreamJpeg(JpegInput{bytes, nullptr}, sink)) return false;
    // Every pixel came out with an alpha byte of 255, so there is nothing to classify.
    target.SetAlpha(alpha_class::kOpaque);
    return true;
}

} // namespace pellvane::decoding
