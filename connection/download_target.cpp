#include "connection/download_target.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

namespace orvane::connection {

ExistingFile inspect_existing(const std::string& path) {
    ExistingFile existing;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return existing;
    existing.exists = true;
    existing.regular = S_ISREG(st.st_mode);
    existing.size = static_cast<uint64_t>(st.st_size);
    existing.modified = st.st_mtime;
    return existing;
}

int DownloadTarget::open(const std::string& path, bool truncate) {
    close();
    // O_NONBLOCK keeps a FIFO under that name from blocking the open; it is
    // then refused as no regular file.
    const int flags = O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
    int fd = -1;
    if (int error = env_.open(path, flags, 0644, &fd)) return error;
    struct stat st {};
    int error = ::fstat(fd, &st) != 0 ? errno : 0;
    if (!error && !S_ISREG(st.st_mode)) error = EINVAL;
    if (!error && truncate) error = env_.ftruncate(fd, 0);
    if (error) {
        env_.close(fd);
        return error;
    }
    fd_ = fd;
    path_ = path;
    initial_size_ = truncate ? 0 : static_cast<uint64_t>(st.st_size);
    return 0;
}

namespace {
// Data gathered before it is written.
constexpr size_t kWriteSize = 256 * 1024;
}  // namespace

int DownloadTarget::write_at(uint64_t offset, std::span<const uint8_t> data) {
    if (!pending_.empty() && offset != pending_offset_ + pending_.size()) {
        if (int error = write_pending()) return error;
    }
    if (pending_.empty()) pending_offset_ = offset;
    pending_.insert(pending_.end(), data.begin(), data.end());
    return pending_.size() >= kWriteSize ? write_pending() : 0;
}

int DownloadTarget::write_pending() {
    size_t done = 0;
    int error = 0;
    while (done < pending_.size()) {
        size_t put = 0;
        error = env_.pwrite(fd_, pending_.data() + done, pending_.size() - done,
                            pending_offset_ + done, &put);
        if (error == EINTR) continue;
        if (!error && put == 0) error = EIO;
        if (error) break;
        done += put;
    }
    pending_.clear();
    return error;
}

int DownloadTarget::finish(bool sync) {
    int error = write_pending();
    if (!error && sync) error = env_.fsync(fd_);
    close();
    return error;
}

void DownloadTarget::close() {
    if (fd_ < 0) return;
    // A download that broke off keeps what arrived; a write that fails
    // here leaves the file shorter, which the next transfer resumes.
    (void)write_pending();
    env_.close(fd_);
    fd_ = -1;
}

}  // namespace orvane::connection
