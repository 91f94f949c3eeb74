#pragma once
// Reading a picture file without ever blocking: only regular files are opened. A named pipe
// or a device given as a picture would otherwise make the open or the read wait for ever.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <utility>

namespace pellvane {

class cRegularFile {
  public:
    // An invalid object when the path names no regular file or it cannot be opened for reading.
    explicit cRegularFile(const std::filesystem::path& path);
    cRegularFile(cRegularFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)), size_(other.size_) {}
    cRegularFile& operator=(cRegularFile&&) = delete;
    cRegularFile(const cRegularFile&) = delete;
    cRegularFile& operator=(const cRegularFile&) = delete;
    ~cRegularFile();

    bool IsValid() const { return fd_ >= 0; }
    // The size when the file was opened.
    int64_t Size() const { return size_; }
    // Fills the buffer from the start of the file; false when the file holds fewer bytes now.
    bool ReadFront(std::span<uint8_t> buffer) const { return ReadAt(0, buffer); }
    // Fills the buffer from the byte at `offset`; false when the file holds fewer bytes now.
    bool ReadAt(int64_t offset, std::span<uint8_t> buffer) const;

  private:
    int fd_ = -1;
    int64_t size_ = 0;
};

} // namespace pellvane
