#include "platform/file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace orvane::platform {

namespace {

int open_flags(Access access, Disposition disposition) {
    int flags = O_CLOEXEC | (access == Access::Read ? O_RDONLY : O_RDWR);
    switch (disposition) {
        case Disposition::OpenExisting:
            break;
        case Disposition::OpenAlways:
            flags |= O_CREAT;
            break;
        case Disposition::CreateNew:
            flags |= O_CREAT | O_EXCL;
            break;
        // Truncated only after the share check.
        case Disposition::CreateAlways:
            flags |= O_CREAT;
            break;
    }
    return flags;
}

}  // namespace

std::string file_error_text(int error) {
    if (error == kShortRead) return "Unexpected end of file";
    if (error == kInUse) return "The file is in use by another process";
    if (error == 0) return {};
    return std::strerror(error);
}

File::~File() {
    close();
}

File::File(File&& other) noexcept
    : env_(other.env_), fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        env_ = other.env_;
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

int File::open(const std::string& path, Access access, Share share, Disposition disposition) {
    close();
    int fd = -1;
    if (int error = env_->open(path, open_flags(access, disposition), 0644, &fd)) return error;
    // Share modes: an opener without sharing holds an exclusive flock, every
    // other opener a shared one, so the two kinds exclude each other.
    int how = (share == Share::None ? LOCK_EX : LOCK_SH) | LOCK_NB;
    if (::flock(fd, how) != 0) {
        int error = errno == EWOULDBLOCK ? kInUse : errno;
        env_->close(fd);
        return error;
    }
    if (disposition == Disposition::CreateAlways) {
        if (int error = env_->ftruncate(fd, 0)) {
            env_->close(fd);
            return error;
        }
    }
    fd_ = fd;
    path_ = path;
    return 0;
}

void File::close() {
    if (fd_ >= 0) {
        env_->close(fd_);
        fd_ = -1;
    }
}

int File::read_some_at(uint64_t offset, void* buffer, size_t length, size_t* count) const {
    size_t done = 0;
    auto* bytes = static_cast<char*>(buffer);
    while (done < length) {
        size_t got = 0;
        int error = env_->pread(fd_, bytes + done, length - done, offset + done, &got);
        if (error == EINTR) continue;
        if (error) {
            *count = done;
            return error;
        }
        if (got == 0) break;
        done += got;
    }
    *count = done;
    return 0;
}

int File::read_at(uint64_t offset, void* buffer, size_t length) const {
    size_t count = 0;
    if (int error = read_some_at(offset, buffer, length, &count)) return error;
    return count == length ? 0 : kShortRead;
}

int File::write_at(uint64_t offset, const void* buffer, size_t length) {
    size_t done = 0;
    const auto* bytes = static_cast<const char*>(buffer);
    while (done < length) {
        size_t put = 0;
        int error = env_->pwrite(fd_, bytes + done, length - done, offset + done, &put);
        if (error == EINTR) continue;
        if (error) return error;
        if (put == 0) return EIO;
        done += put;
    }
    return 0;
}

int File::set_size(uint64_t size) {
    return env_->ftruncate(fd_, size);
}

int File::flush() {
    return env_->fsync(fd_);
}

int File::size(uint64_t* size) const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return errno;
    *size = static_cast<uint64_t>(st.st_size);
    return 0;
}

int File::modification_time(std::time_t* time) const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return errno;
    *time = st.st_mtime;
    return 0;
}

int File::lock(uint64_t offset, uint64_t length, bool exclusive, bool wait) {
    struct flock fl {};
    fl.l_type = exclusive ? F_WRLCK : F_RDLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    while (::fcntl(fd_, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) != 0) {
        if (errno == EINTR && wait) continue;
        return errno == EAGAIN || errno == EACCES ? kInUse : errno;
    }
    return 0;
}

int File::unlock(uint64_t offset, uint64_t length) {
    struct flock fl {};
    fl.l_type = F_UNLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    return ::fcntl(fd_, F_OFD_SETLK, &fl) == 0 ? 0 : errno;
}

int read_whole_file(const std::string& path, std::string* contents, Env& env) {
    File file(env);
    if (int error = file.open(path, Access::Read, Share::ReadWrite, Disposition::OpenExisting))
        return error;
    uint64_t size = 0;
    if (int error = file.size(&size)) return error;
    contents->assign(size, '\0');
    size_t count = 0;
    if (int error = file.read_some_at(0, contents->data(), contents->size(), &count)) return error;
    contents->resize(count);
    return 0;
}

int write_whole_file(const std::string& path, const void* data, size_t length, Env& env) {
    std::string temp = path + ".tmp";
    {
        File file(env);
        if (int error = file.open(temp, Access::ReadWrite, Share::None, Disposition::CreateAlways))
            return error;
        int error = file.write_at(0, data, length);
        if (!error) error = file.flush();
        if (error) {
            file.close();
            (void)env.unlink(temp);  // the write's error is the one to report
            return error;
        }
    }
    if (int error = env.rename(temp, path)) {
        (void)env.unlink(temp);  // the rename's error is the one to report
        return error;
    }
    return 0;
}

int copy_file(const std::string& from, const std::string& to, Env& env) {
    File source(env), target(env);
    if (int error = source.open(from, Access::Read, Share::ReadWrite, Disposition::OpenExisting))
        return error;
    if (int error = target.open(to, Access::ReadWrite, Share::None, Disposition::CreateNew))
        return error;
    std::string buffer(1 << 20, '\0');
    int error = 0;
    for (uint64_t offset = 0; !error;) {
        size_t got = 0;
        error = source.read_some_at(offset, buffer.data(), buffer.size(), &got);
        if (error || got == 0) break;
        error = target.write_at(offset, buffer.data(), got);
        offset += got;
    }
    if (!error) error = target.flush();
    if (error) {
        target.close();
        (void)env.unlink(to);  // the copy's own error is the one to report
    }
    return error;
}

int set_modification_time(const std::string& path, std::time_t time) {
    struct timespec times[2];
    times[0].tv_sec = time;
    times[0].tv_nsec = 0;
    times[1] = times[0];
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0 ? 0 : errno;
}

int file_modification_time(const std::string& path, std::time_t* time) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno;
    *time = st.st_mtime;
    return 0;
}

bool file_exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool directory_exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int make_directories(const std::string& path) {
    if (path.empty() || directory_exists(path)) return 0;
    size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
        if (int error = make_directories(path.substr(0, slash))) return error;
    }
    if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) return errno;
    return 0;
}

}  // namespace orvane::platform
