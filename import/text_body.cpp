#include "import/text_body.h"

#include <cstdio>

#include "platform/message_format.h"
#include "platform/resource_strings.h"

namespace orvane::import {

using platform::MessageId;
using platform::Status;

std::string_view file_name_of(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string TextBody::spill_file_name(uint8_t key, uint32_t number) {
    char name[32];
    std::snprintf(name, sizeof name, "%c%07u.TXT", key ? static_cast<char>(key) : '0', number);
    return name;
}

Status TextBody::write_spill_file(platform::Env& env, const std::string& path,
                                  std::string_view body) {
    platform::File file(env);
    int error = file.open(path, platform::Access::ReadWrite, platform::Share::None,
                          platform::Disposition::CreateAlways);
    if (!error) error = file.write_at(0, body.data(), body.size());
    if (!error) error = file.flush();
    if (error) return Status::file(MessageId::kCannotWriteFile, path, error);
    return Status();
}

void TextBody::reset(std::string spill_path) {
    spill_path_ = std::move(spill_path);
    body_.clear();
    empty_run_ = 0;
    spilling_ = false;
    spill_.close();
    spill_size_ = 0;
}

Status TextBody::add_line(std::string_view line) {
    if (line.empty()) {
        if (++empty_run_ > kMaxEmptyRun) return Status();
    } else {
        empty_run_ = 0;
    }
    if (spilling_) {
        Status status = append_to_spill(line);
        return status.ok() ? append_to_spill("\n") : status;
    }
    if (body_.size() + line.size() + 1 > kMaxBodyLength && !spill_path_.empty())
        return start_spilling(line);
    // Without a place for a spill file, the line is dropped: the body keeps
    // what a text can hold.
    if (body_.size() + line.size() + 1 > kMaxBodyLength) return Status();
    body_.append(line);
    body_.push_back('\n');
    return Status();
}

Status TextBody::start_spilling(std::string_view line) {
    if (const int error = spill_.open(spill_path_, platform::Access::ReadWrite,
                                      platform::Share::None, platform::Disposition::CreateAlways))
        return Status::file(MessageId::kCannotWriteFile, spill_path_, error);
    spilling_ = true;
    Status status = append_to_spill(body_);
    if (status.ok()) status = append_to_spill(line);
    if (status.ok()) status = append_to_spill("\n");
    body_.clear();
    return status;
}

Status TextBody::append_to_spill(std::string_view text) {
    if (const int error = spill_.write_at(spill_size_, text.data(), text.size()))
        return Status::file(MessageId::kCannotWriteFile, spill_path_, error);
    spill_size_ += text.size();
    return Status();
}

platform::Result<TextBody::Finished> TextBody::finish() {
    Finished finished;
    if (spilling_) {
        const int error = spill_.flush();
        spill_.close();
        spilling_ = false;
        if (error) return Status::file(MessageId::kCannotWriteFile, spill_path_, error);
        finished.spill_name = file_name_of(spill_path_);
        finished.body = platform::format_message(
            platform::resource_string(MessageId::kContentsInAttachedFile), {finished.spill_name});
        return finished;
    }
    while (body_.size() >= 2 && body_[body_.size() - 2] == '\n') body_.pop_back();
    if (body_ == "\n") body_.clear();
    finished.body = std::move(body_);
    body_.clear();
    return finished;
}

}  // namespace orvane::import
