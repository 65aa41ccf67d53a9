#include "connection/capture_file.h"

namespace orvane::connection {

using platform::MessageId;
using platform::Status;

Status CaptureFile::open(const std::string& path) {
    file_.close();
    int error = file_.open(path, platform::Access::ReadWrite, platform::Share::Read,
                           platform::Disposition::OpenAlways);
    if (!error) error = file_.size(&start_);
    if (error) {
        file_.close();
        return Status::file(MessageId::kCannotOpenFile, path, error);
    }
    end_ = start_;
    return Status();
}

Status CaptureFile::append(std::span<const uint8_t> text) {
    if (!file_.is_open() || text.empty()) return Status();
    if (int error = file_.write_at(end_, text.data(), text.size())) {
        return Status::file(MessageId::kCannotWriteFile, file_.path(), error);
    }
    end_ += text.size();
    return Status();
}

}  // namespace orvane::connection
