#include "import/file_layer.h"

namespace orvane::import {

int FileLayer::open(const std::string& path, uint64_t offset, platform::Env& env) {
    file_ = platform::File(env);
    int error = file_.open(path, platform::Access::Read, platform::Share::ReadWrite,
                           platform::Disposition::OpenExisting);
    if (error == 0) error = file_.size(&size_);
    position_ = offset;
    return error;
}

size_t FileLayer::read(uint8_t* out, size_t capacity, platform::Status* status) {
    if (!file_.is_open() || capacity == 0) return 0;
    size_t count = 0;
    if (const int error = file_.read_some_at(position_, out, capacity, &count)) {
        *status = platform::Status::file(platform::MessageId::kCannotReadFile, file_.path(), error);
        return 0;
    }
    position_ += count;
    return count;
}

}  // namespace orvane::import
