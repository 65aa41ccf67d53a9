#include "platform/file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <utility>

namespace orvane::platform {

namespace {

thread_local int t_last_error = 0;

std::mutex g_hook_mutex;
WriteFaultHook g_write_fault_hook;

int fail(int error) {
    t_last_error = error;
    return error;
}

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
        case Disposition::CreateAlways:
            flags |= O_CREAT;
            break;  // truncated after the share check
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

int last_file_error() {
    return t_last_error;
}
void set_last_file_error(int error) {
    t_last_error = error;
}

void set_write_fault_hook(WriteFaultHook hook) {
    std::lock_guard<std::mutex> guard(g_hook_mutex);
    g_write_fault_hook = std::move(hook);
}

File::~File() {
    close();
}

File::File(File&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

int File::open(const std::string& path, Access access, Share share, Disposition disposition) {
    close();
    int fd = ::open(path.c_str(), open_flags(access, disposition), 0644);
    if (fd < 0) return fail(errno);
    // Share modes: an opener without sharing holds an exclusive flock, every
    // other opener a shared one, so the two kinds exclude each other.
    int how = (share == Share::None ? LOCK_EX : LOCK_SH) | LOCK_NB;
    if (::flock(fd, how) != 0) {
        int error = errno == EWOULDBLOCK ? kInUse : errno;
        ::close(fd);
        return fail(error);
    }
    if (disposition == Disposition::CreateAlways && ::ftruncate(fd, 0) != 0) {
        int error = errno;
        ::close(fd);
        return fail(error);
    }
    fd_ = fd;
    path_ = path;
    return 0;
}

void File::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

int File::read_some_at(uint64_t offset, void* buffer, size_t length, size_t* count) const {
    size_t done = 0;
    auto* bytes = static_cast<char*>(buffer);
    while (done < length) {
        ssize_t n = ::pread(fd_, bytes + done, length - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            *count = done;
            return fail(errno);
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    *count = done;
    return 0;
}

int File::read_at(uint64_t offset, void* buffer, size_t length) const {
    size_t count = 0;
    if (int error = read_some_at(offset, buffer, length, &count)) return error;
    return count == length ? 0 : fail(kShortRead);
}

int File::write_at(uint64_t offset, const void* buffer, size_t length) {
    size_t allowed = length;
    {
        std::lock_guard<std::mutex> guard(g_hook_mutex);
        if (g_write_fault_hook) {
            long long verdict = g_write_fault_hook(path_, offset, length);
            if (verdict < 0) return fail(EIO);
            if (static_cast<unsigned long long>(verdict) < length)
                allowed = static_cast<size_t>(verdict);
        }
    }
    size_t done = 0;
    const auto* bytes = static_cast<const char*>(buffer);
    while (done < allowed) {
        ssize_t n = ::pwrite(fd_, bytes + done, allowed - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(errno);
        }
        done += static_cast<size_t>(n);
    }
    return allowed == length ? 0 : fail(EIO);
}

int File::set_size(uint64_t size) {
    return ::ftruncate(fd_, static_cast<off_t>(size)) == 0 ? 0 : fail(errno);
}

int File::flush() {
    return ::fsync(fd_) == 0 ? 0 : fail(errno);
}

int File::size(uint64_t* size) const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return fail(errno);
    *size = static_cast<uint64_t>(st.st_size);
    return 0;
}

int File::modification_time(std::time_t* time) const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return fail(errno);
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
        return fail(errno == EAGAIN || errno == EACCES ? kInUse : errno);
    }
    return 0;
}

int File::unlock(uint64_t offset, uint64_t length) {
    struct flock fl {};
    fl.l_type = F_UNLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    return ::fcntl(fd_, F_OFD_SETLK, &fl) == 0 ? 0 : fail(errno);
}

int read_whole_file(const std::string& path, std::string* contents) {
    File file;
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

int write_whole_file(const std::string& path, const void* data, size_t length) {
    // Write beside the target and rename, so a failed write never leaves a
    // half-written file in place of the old one.
    std::string temp = path + ".tmp";
    {
        File file;
        if (int error = file.open(temp, Access::ReadWrite, Share::None, Disposition::CreateAlways))
            return error;
        int error = file.write_at(0, data, length);
        if (!error) error = file.flush();
        if (error) {
            file.close();
            ::unlink(temp.c_str());
            return error;
        }
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        int error = errno;
        ::unlink(temp.c_str());
        return fail(error);
    }
    return 0;
}

int set_modification_time(const std::string& path, std::time_t time) {
    struct timespec times[2];
    times[0].tv_sec = time;
    times[0].tv_nsec = 0;
    times[1] = times[0];
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0 ? 0 : fail(errno);
}

int file_modification_time(const std::string& path, std::time_t* time) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return fail(errno);
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
    if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) return fail(errno);
    return 0;
}

}  // namespace orvane::platform
