#include "imaging/RegularFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellvane {

cRegularFile::cRegularFile(const std::filesystem::path& path) {
    // O_NONBLOCK keeps the open of a pipe from waiting for a writer; it changes nothing for a
    // regular file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return;
    }
    fd_ = fd;
    size_ = st.st_size;
}

cRegularFile::~cRegularFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool cRegularFile::ReadAt(int64_t offset, std::span<uint8_t> buffer) const {
    if (fd_ < 0 || offset < 0) return false;
    size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t n =
            ::pread(fd_, buffer.data() + done, buffer.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace pellvane
