// What an operation of the core reports instead of talking to the user. The
// libraries return a Status (or a Result that holds a value or a Status); only
// a front end turns it into words, with message_box_for(status) or text().
//
// A status is one of:
//  - success;
//  - a message of the program with its arguments: a refusal the user should
//    read ("The box '%s' is full");
//  - a file error: one of the messages that name a file ("Cannot write the
//    file '%s'"), the system's error number, and its text as a second line;
//  - an engine error: the database engine's code and message with the action
//    that was under way ("reading text 12"), shown as "action:\nmessage";
//  - cancelled: the user asked to stop, and nothing more needs saying.
#pragma once

#include <cassert>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/message_format.h"
#include "platform/message_ids.h"

namespace orvane::platform {

class [[nodiscard]] Status {
  public:
    enum class Kind : uint8_t { kOk, kMessage, kFile, kEngine, kCancelled };

    // Success.
    Status() = default;

    static Status message(MessageId id, std::initializer_list<FormatArg> args = {});
    static Status message(MessageId id, std::vector<FormatArg> args);
    // `error` is an error code of the file layer (errno, kShortRead, kInUse).
    static Status file(MessageId id, std::string path, int error);
    static Status engine(std::string action, int32_t code, std::string engine_text);
    static Status cancelled();

    bool ok() const { return kind_ == Kind::kOk; }
    Kind kind() const { return kind_; }
    bool is_cancelled() const { return kind_ == Kind::kCancelled; }

    // The message number (kNone for success and engine errors).
    MessageId id() const { return id_; }
    const std::vector<FormatArg>& args() const { return args_; }
    // The file layer's error code of a file error, else 0.
    int system_error() const { return system_error_; }
    // The engine's code of an engine error, else 0.
    int32_t engine_code() const { return engine_code_; }
    // The file of a file error, the action of an engine error.
    const std::string& subject() const { return subject_; }

    // The words for the user, without title: the message with its
    // arguments, a file error's reason on a second line, an engine error as
    // "action:\nmessage".
    std::string text() const;

    // The same error with what was being done put in front of an engine
    // error's action ("opening the cabinet: reading text 12"); other kinds
    // unchanged. For callers that know more than the layer that failed.
    Status within(const std::string& action) &&;

  private:
    Kind kind_ = Kind::kOk;
    MessageId id_ = MessageId::kNone;
    std::vector<FormatArg> args_;
    int system_error_ = 0;
    int32_t engine_code_ = 0;
    std::string subject_;
    std::string engine_text_;
};

// A value, or the Status that says why there is none.
template <typename T>
class [[nodiscard]] Result {
  public:
    Result(T value) : value_(std::move(value)) {}
    // A failure; a successful status here is a mistake of the caller.
    Result(Status status) : status_(std::move(status)) { assert(!status_.ok()); }

    bool ok() const { return value_.has_value(); }
    const Status& status() const { return status_; }
    Status take_status() { return std::move(status_); }

    T& value() { return *value_; }
    const T& value() const { return *value_; }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }

  private:
    std::optional<T> value_;
    Status status_;
};

}  // namespace orvane::platform
