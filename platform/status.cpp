#include "platform/status.h"

#include "platform/file.h"
#include "platform/resource_strings.h"

namespace orvane::platform {

Status Status::message(MessageId id, std::initializer_list<FormatArg> args) {
    return message(id, std::vector<FormatArg>(args));
}

Status Status::message(MessageId id, std::vector<FormatArg> args) {
    Status status;
    status.kind_ = Kind::kMessage;
    status.id_ = id;
    status.args_ = std::move(args);
    return status;
}

Status Status::file(MessageId id, std::string path, int error) {
    Status status;
    status.kind_ = Kind::kFile;
    status.id_ = id;
    status.args_.emplace_back(path);
    status.subject_ = std::move(path);
    status.system_error_ = error;
    return status;
}

Status Status::engine(std::string action, int32_t code, std::string engine_text) {
    Status status;
    status.kind_ = Kind::kEngine;
    status.subject_ = std::move(action);
    status.engine_code_ = code;
    status.engine_text_ = std::move(engine_text);
    return status;
}

Status Status::cancelled() {
    Status status;
    status.kind_ = Kind::kCancelled;
    status.id_ = MessageId::kCancelled;
    return status;
}

std::string Status::text() const {
    switch (kind_) {
        case Kind::kOk:
            return {};
        case Kind::kMessage:
        case Kind::kCancelled:
            return format_message(resource_string(id_), args_);
        case Kind::kFile: {
            std::string text = format_message(resource_string(id_), args_);
            if (system_error_ != 0) text += "\n" + file_error_text(system_error_);
            return text;
        }
        case Kind::kEngine:
            return format_message("%s:\n%s", {subject_, engine_text_});
    }
    return {};
}

Status Status::within(const std::string& action) && {
    if (kind_ == Kind::kEngine) subject_ = action + ": " + subject_;
    return std::move(*this);
}

}  // namespace orvane::platform
