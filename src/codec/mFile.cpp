#include "codec/mFile.h"

#include "codec/ExifTags.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <random>
#include <set>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellvane {

cFileHandle& cFileHandle::operator=(cFileHandle&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

void cFileHandle::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

int64_t cFileHandle::Size() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

size_t cFileHandle::ReadAt(int64_t offset, std::span<uint8_t> buffer) const {
    size_t done = 0;
    while (fd_ >= 0 && done < buffer.size()) {
        const ssize_t n =
            ::pread(fd_, buffer.data() + done, buffer.size() - done, offset + static_cast<int64_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

bool cFileHandle::WriteAll(std::span<const uint8_t> bytes) const {
    size_t done = 0;
    while (fd_ >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return done == bytes.size();
}

cFileHandle OpenFileHandle(const std::string& path, bool readOnly, bool /*wideInterface*/) {
    int fd = -1;
    if (readOnly) {
        // Only regular files are read: a directory opens for reading on this platform, and a
        // pipe or a device would make the open or the reads wait for ever. O_NONBLOCK keeps the
        // open of a pipe from waiting for a writer and changes nothing for a regular file.
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        struct stat st {};
        if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
            ::close(fd);
            fd = -1;
        }
    } else {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    }
    return cFileHandle(fd);
}

namespace {
constexpr size_t kHugePage = 2u << 20;
constexpr size_t kMappedFrom = 1u << 20;
} // namespace

cByteBuffer::cByteBuffer(size_t size) : capacity_(size) {
    if (size == 0) return;
    if (size >= kMappedFrom) {
        const size_t length = (size + kHugePage - 1) / kHugePage * kHugePage;
        void* raw =
            ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (raw != MAP_FAILED) {
            mapping_ = raw;
            mappingLength_ = length + kHugePage;
            const auto aligned =
                (reinterpret_cast<uintptr_t>(raw) + kHugePage - 1) & ~uintptr_t{kHugePage - 1};
            data_ = reinterpret_cast<uint8_t*>(aligned);
            ::madvise(data_, length, MADV_HUGEPAGE); // a hint; without it the pages are small
            return;
        }
    }
    data_ = static_cast<uint8_t*>(std::malloc(size));
    if (data_ == nullptr) capacity_ = 0;
}

cByteBuffer::cByteBuffer(cByteBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), capacity_(std::exchange(other.capacity_, 0)),
      mapping_(std::exchange(other.mapping_, nullptr)),
      mappingLength_(std::exchange(other.mappingLength_, 0)) {}

cByteBuffer& cByteBuffer::operator=(cByteBuffer&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, nullptr);
        capacity_ = std::exchange(other.capacity_, 0);
        mapping_ = std::exchange(other.mapping_, nullptr);
        mappingLength_ = std::exchange(other.mappingLength_, 0);
    }
    return *this;
}

void cByteBuffer::Release() {
    if (mapping_ != nullptr)
        ::munmap(mapping_, mappingLength_);
    else
        std::free(data_);
    data_ = nullptr;
    mapping_ = nullptr;
    capacity_ = mappingLength_ = 0;
}

FileBytes ReadWholeFile(const cFileHandle& file) {
    return ReadFileHead(file, INT64_MAX);
}

FileBytes ReadFileHead(const cFileHandle& file, int64_t maxBytes) {
    FileBytes bytes;
    const int64_t size = std::min(file.Size(), maxBytes);
    if (size < 0) return bytes;
    bytes.buffer = cByteBuffer(static_cast<size_t>(size));
    if (bytes.buffer.Capacity() != static_cast<size_t>(size)) return bytes; // out of memory
    bytes.size = file.ReadAt(0, {bytes.buffer.Data(), static_cast<size_t>(size)});
    bytes.complete = bytes.size == static_cast<size_t>(size);
    return bytes;
}

double GetFileDate(const cFileHandle& file, int which) {
    struct stat st {};
    if (!file.IsValid() || ::fstat(file.Descriptor(), &st) != 0) return 0.0;
    const timespec ts = which == 1 ? st.st_mtim : which == 2 ? st.st_atim : st.st_ctim;
    ::tzset();
    // `timezone` is seconds west of UTC for standard time.
    const double localSeconds = static_cast<double>(ts.tv_sec) - static_cast<double>(::timezone);
    constexpr double kDaysFrom1899To1970 = 25569.0;
    return kDaysFrom1899To1970 + localSeconds / 86400.0;
}

double SafeDivide(int32_t numerator, int32_t denominator) {
    return denominator == 0 ? 0.0 : static_cast<double>(numerator) / denominator;
}

void ReverseCopy(std::span<uint8_t> destination, std::span<const uint8_t> source, size_t count, int width) {
    count = std::min({count, destination.size(), source.size()});
    if (width < 2) {
        for (size_t i = 0; i < count; ++i)
            destination[i] = source[count - 1 - i];
        return;
    }
    const auto w = static_cast<size_t>(width);
    size_t i = 0;
    for (; i + w <= count; i += w)
        for (size_t k = 0; k < w; ++k)
            destination[i + k] = source[i + w - 1 - k];
    for (; i < count; ++i)
        destination[i] = source[i]; // a partial element is copied as it is
}

std::string PadLeft(const std::string& text, size_t width, char pad) {
    return text.size() >= width ? text : std::string(width - text.size(), pad) + text;
}

std::string PadRight(const std::string& text, size_t width, char pad) {
    return text.size() >= width ? text : text + std::string(width - text.size(), pad);
}

int32_t ToUnsigned16(int16_t value) {
    return value < 0 ? value + 65536 : value;
}

double ToUnsigned32(int32_t value) {
    return value < 0 ? value + 4294967296.0 : value;
}

int32_t FormatSize(int32_t format) {
    switch (format) {
    case kFormatByte:
    case kFormatAscii:
    case kFormatSByte:
    case kFormatUndefined:
        return 1;
    case kFormatShort:
    case kFormatSShort:
        return 2;
    case kFormatLong:
    case kFormatSLong:
    case kFormatFloat:
    case kFormatIfd:
        return 4;
    case kFormatRational:
    case kFormatSRational:
    case kFormatDouble:
        return 8;
    default:
        return 0;
    }
}

std::string RandomName(int alphabet, size_t length) {
    static constexpr std::array<std::string_view, 8> kAlphabets = {
        "0123456789",
        "abcdefghijklmnopqrstuvwxyz",
        "ABCDEFGHIJKLMNOPQRSTUVWXYZ",
        "0123456789abcdefghijklmnopqrstuvwxyz",
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ",
        "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ",
        "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ",
        "0123456789ABCDEF"};
    if (alphabet < 0 || alphabet >= static_cast<int>(kAlphabets.size())) return "";
    // One generator per thread, seeded from the system's entropy. A process made by fork()
    // inherits its parent's generator and would draw the same names, so it seeds afresh.
    thread_local std::mt19937_64 generator;
    thread_local pid_t seededFor = 0;
    if (const pid_t process = ::getpid(); seededFor != process) {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device(), static_cast<unsigned>(process)};
        generator.seed(seed);
        seededFor = process;
    }
    const auto chars = kAlphabets[static_cast<size_t>(alphabet)];
    std::uniform_int_distribution<size_t> pick(0, chars.size() - 1);
    std::string out(length, ' ');
    for (auto& c : out)
        c = chars[pick(generator)];
    return out;
}

std::filesystem::path TempFolder() {
    // The standard library's own lookup also reads TEMP and fails when it names no
    // folder, so the fall-back is made here: TEMP, then TMPDIR, then /tmp.
    for (const char* variable : {"TEMP", "TMPDIR"}) {
        std::error_code ec;
        if (const char* folder = std::getenv(variable);
            folder && *folder && std::filesystem::is_directory(folder, ec))
            return folder;
    }
    return "/tmp";
}

namespace {

// Every temporary file the process holds, so that an ending command can remove them all.
// A file is created, written and registered under the lock, so none is ever half-known.
struct TempRegistry {
    std::mutex mutex;
    std::set<std::string> paths;
    bool closed = false; // once the process is ending, no file is created any more
};

TempRegistry& Registry() {
    static TempRegistry registry;
    return registry;
}

std::string CreateTempFile(const std::string& prefix, const std::string& extension,
                           std::span<const uint8_t> bytes) {
    const auto folder = TempFolder();
    for (int attempt = 0; attempt < 16; ++attempt) {
        const auto path = (folder / (prefix + RandomName(6, 15) + extension)).string();
        cFileHandle file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!file.IsValid()) {
            if (errno == EEXIST) continue;
            return "";
        }
        if (file.WriteAll(bytes)) return path;
        file.Close();
        ::unlink(path.c_str());
        return "";
    }
    return "";
}

} // namespace

std::string WriteTempFile(const std::string& prefix, const std::string& extension,
                          std::span<const uint8_t> bytes) {
    TempRegistry& registry = Registry();
    const std::lock_guard lock(registry.mutex);
    if (registry.closed) return "";
    std::string path = CreateTempFile(prefix, extension, bytes);
    if (!path.empty()) registry.paths.insert(path);
    return path;
}

void DeleteFileQuietly(const std::string& path) {
    if (path.empty()) return;
    TempRegistry& registry = Registry();
    const std::lock_guard lock(registry.mutex);
    ::unlink(path.c_str());
    registry.paths.erase(path);
}

void RemoveEveryTempFile() {
    TempRegistry& registry = Registry();
    // Taken and never given back: no file may be created after this, nor the set change.
    registry.mutex.lock();
    registry.closed = true;
    for (const std::string& path : registry.paths)
        ::unlink(path.c_str());
    registry.paths.clear();
}

size_t LiveTempFileCount() {
    TempRegistry& registry = Registry();
    const std::lock_guard lock(registry.mutex);
    return registry.paths.size();
}

} // namespace pellvane
