#include "packet/packet_file.h"

namespace orvane::packet {

namespace {
constexpr size_t kBufferLimit = 64 * 1024;
}

int PacketFile::create(const std::string& path) {
    buffer_.clear();
    written_ = 0;
    error_ = file_.open(path, platform::Access::ReadWrite, platform::Share::None,
                        platform::Disposition::CreateAlways);
    return error_;
}

void PacketFile::line(std::string_view text) {
    buffer_.append(text);
    buffer_.append("\r\n");
    if (buffer_.size() >= kBufferLimit) (void)flush();
}

int PacketFile::flush() {
    if (!error_ && !buffer_.empty()) {
        error_ = file_.write_at(written_, buffer_.data(), buffer_.size());
        written_ += buffer_.size();
    }
    buffer_.clear();
    return error_;
}

int PacketFile::close() {
    if (!file_.is_open()) return error_;
    if (!flush()) error_ = file_.flush();
    file_.close();
    return error_;
}

}  // namespace orvane::packet
