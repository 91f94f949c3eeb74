#pragma once
// File access and small byte and text helpers shared by the codec and the analysis.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace pellvane {

// An open operating-system file. Closes itself; movable, not copyable.
class cFileHandle {
  public:
    cFileHandle() = default;
    explicit cFileHandle(int fd) : fd_(fd) {}
    cFileHandle(cFileHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    cFileHandle& operator=(cFileHandle&& other) noexcept;
    cFileHandle(const cFileHandle&) = delete;
    cFileHandle& operator=(const cFileHandle&) = delete;
    ~cFileHandle() { Close(); }

    bool IsValid() const { return fd_ >= 0; }
    int Descriptor() const { return fd_; }
    void Close();

    // Size in bytes, or -1 when it cannot be told.
    int64_t Size() const;
    // Reads up to buffer.size() bytes at offset; returns the number read (short at the end).
    size_t ReadAt(int64_t offset, std::span<uint8_t> buffer) const;
    // Writes all bytes at the current position; false when not all were written.
    bool WriteAll(std::span<const uint8_t> bytes) const;

  private:
    int fd_ = -1;
};

// Opens a file. Read-only: the file must exist and others may read it. Otherwise the file
// is created or truncated for reading and writing. An invalid handle on failure. Paths are
// UTF-8; `wideInterface` is kept for callers that pass it and changes nothing here.
cFileHandle OpenFileHandle(const std::string& path, bool readOnly, bool wideInterface = true);

// Memory for a whole file, not cleared before it is filled. Large buffers are laid on
// huge pages where the system offers them: filling page by page costs more than the read
// itself on virtual machines, where every page fault is expensive.
class cByteBuffer {
  public:
    cByteBuffer() = default;
    explicit cByteBuffer(size_t size);
    cByteBuffer(cByteBuffer&& other) noexcept;
    cByteBuffer& operator=(cByteBuffer&& other) noexcept;
    cByteBuffer(const cByteBuffer&) = delete;
    cByteBuffer& operator=(const cByteBuffer&) = delete;
    ~cByteBuffer() { Release(); }

    uint8_t* Data() const { return data_; }
    size_t Capacity() const { return capacity_; }

  private:
    void Release();
    uint8_t* data_ = nullptr;
    size_t capacity_ = 0;
    void* mapping_ = nullptr; // set when the memory is a mapping of its own
    size_t mappingLength_ = 0;
};

struct FileBytes {
    cByteBuffer buffer;
    size_t size = 0;
    bool complete = false; // false when fewer bytes than the file's size could be read
    std::span<const uint8_t> Span() const { return {buffer.Data(), size}; }
};

FileBytes ReadWholeFile(const cFileHandle& file);
// The file's first `maxBytes` bytes (all of a smaller file); `complete` when all of those were read.
FileBytes ReadFileHead(const cFileHandle& file, int64_t maxBytes);

// The file's time as an OLE date (days since 1899-12-30) in local standard time: the UTC
// time minus the time zone's standard bias; daylight saving is not applied.
// which: 0 creation (the status-change time where the file system keeps no birth time),
// 1 last write, 2 last access. 0 when the time cannot be read.
double GetFileDate(const cFileHandle& file, int which);

double SafeDivide(int32_t numerator, int32_t denominator);

// Copies `count` bytes. With `width` below 2 the whole range is reversed; otherwise each
// `width`-byte element is reversed on its own (reading big-endian numbers).
void ReverseCopy(std::span<uint8_t> destination, std::span<const uint8_t> source, size_t count, int width);

std::string PadLeft(const std::string& text, size_t width, char pad);
std::string PadRight(const std::string& text, size_t width, char pad);
int32_t ToUnsigned16(int16_t value);
double ToUnsigned32(int32_t value);

// Size in bytes of one element of a TIFF field type, 0 for an unknown type.
int32_t FormatSize(int32_t format);

// A random text of `length` characters from alphabet 0..7 (digits, lower, upper, …);
// empty for another alphabet number. One generator per thread, seeded once from the
// system's entropy source, so names made in the same instant still differ.
std::string RandomName(int alphabet, size_t length);

// The folder for temporary files: the TEMP variable when it names a folder, else the
// system temporary folder (TMPDIR, or /tmp).
std::filesystem::path TempFolder();

// Creates a new temporary file named prefix + 15 random characters + extension in the
// temporary folder and writes `bytes` to it. The file is created exclusively, so an
// existing file is never replaced. Returns its path, or "" when it could not be written
// in full (then no file is left behind).
std::string WriteTempFile(const std::string& prefix, const std::string& extension,
                          std::span<const uint8_t> bytes);

// Deletes a file and ignores every failure; empty paths are ignored.
void DeleteFileQuietly(const std::string& path);

// For a process that is ending: deletes every temporary file WriteTempFile made and that is
// still there, and makes every later WriteTempFile fail. Not undone.
void RemoveEveryTempFile();
// How many temporary files WriteTempFile made that are not deleted yet.
size_t LiveTempFileCount();

} // namespace pellvane
