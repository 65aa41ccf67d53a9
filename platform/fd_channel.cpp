#include "platform/fd_channel.h"

#include <fcntl.h>

#include <cerrno>

namespace orvane::platform {

namespace {

constexpr size_t kReadPiece = 65536;

void make_non_blocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) (void)::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

}  // namespace

FdChannel::FdChannel(EventLoop& loop, int read_fd, int write_fd, std::string name)
    : ByteChannel(loop), read_fd_(read_fd), write_fd_(write_fd), name_(std::move(name)) {
    if (write_fd_ >= 0) make_non_blocking(write_fd_);
    if (read_fd_ < 0) return;
    make_non_blocking(read_fd_);
    reading_ = loop.watch(read_fd_, kFdRead | kFdClose, [this](uint32_t, int) { on_readable(); });
}

FdChannel::~FdChannel() = default;

void FdChannel::on_readable() {
    uint8_t piece[kReadPiece];
    size_t got = 0;
    const int error = loop().env().read(read_fd_, piece, sizeof piece, &got);
    if (error == EAGAIN || error == EWOULDBLOCK || error == EINTR) return;
    if (error) {
        reading_.cancel();
        finish(Status::file(MessageId::kCannotReadFile, name_, error));
        return;
    }
    if (got == 0) {
        reading_.cancel();
        finish(Status());
        return;
    }
    deliver({piece, got});
    if (input_paused()) loop().set_watch_events(reading_, 0);
}

void FdChannel::resume_input() {
    if (reading_.active()) loop().set_watch_events(reading_, kFdRead | kFdClose);
}

Status FdChannel::write(std::span<const uint8_t> bytes) {
    if (write_fd_ < 0) return Status::file(MessageId::kCannotWriteFile, name_, EBADF);
    if (!write_error_.ok()) return write_error_;
    if (ended() && !end_status().ok()) return end_status();
    if (sent_ == output_.size()) {
        output_.clear();
        sent_ = 0;
    }
    output_.insert(output_.end(), bytes.begin(), bytes.end());
    on_writable();
    return write_error_;
}

void FdChannel::on_writable() {
    while (sent_ < output_.size()) {
        size_t put = 0;
        const int error =
            loop().env().write(write_fd_, output_.data() + sent_, output_.size() - sent_, &put);
        if (error == EINTR) continue;
        if (error == EAGAIN || error == EWOULDBLOCK) break;
        if (error) {
            write_error_ = Status::file(MessageId::kCannotWriteFile, name_, error);
            writing_.cancel();
            finish(write_error_);
            return;
        }
        sent_ += put;
    }
    watch_output();
    output_progress();
}

void FdChannel::watch_output() {
    const bool waiting = sent_ < output_.size();
    if (waiting && !writing_.active()) {
        writing_ = loop().watch(write_fd_, kFdWrite, [this](uint32_t, int) { on_writable(); });
    } else if (!waiting) {
        writing_.cancel();
    }
}

void FdChannel::close() {
    reading_.cancel();
    writing_.cancel();
    finish(Status());
}

}  // namespace orvane::platform
