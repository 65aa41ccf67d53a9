// The body of a listed text or of a command's output, collected line by
// line: runs of empty lines are kept to four, the widest line is measured,
// and a body that grows past what a text holds goes on in a spill file,
// the text itself then only naming that file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/env.h"
#include "platform/file.h"
#include "platform/status.h"

namespace orvane::import {

class TextBody {
  public:
    // A body keeps at most this many bytes; the rest goes to the spill file.
    static constexpr size_t kMaxBodyLength = 65502;
    static constexpr int kMaxEmptyRun = 4;

    explicit TextBody(platform::Env& env) : env_(env) {}

    // Starts a new body. A body too long for a text is written to
    // `spill_path` (none possible when empty).
    void reset(std::string spill_path);

    platform::Status add_line(std::string_view line);
    // No line has been kept yet.
    bool empty() const { return body_.empty() && !spilling_; }

    struct Finished {
        std::string body;        // lines ending with LF; empty for no body
        std::string spill_name;  // the spill file's name, when the body went there
    };
    // The body without trailing empty lines; a spill file is made durable
    // and closed first.
    platform::Result<Finished> finish();

    // The file name of a spill file for the text `key`/`number`.
    static std::string spill_file_name(uint8_t key, uint32_t number);
    // Writes `body` to a new file at `path`, durably.
    [[nodiscard]] static platform::Status write_spill_file(platform::Env& env,
                                                           const std::string& path,
                                                           std::string_view body);

  private:
    platform::Status start_spilling(std::string_view line);
    platform::Status append_to_spill(std::string_view text);

    platform::Env& env_;
    std::string spill_path_;
    std::string body_;
    int empty_run_ = 0;
    bool spilling_ = false;
    platform::File spill_{env_};
    uint64_t spill_size_ = 0;
};

// The file name part of `path`.
std::string_view file_name_of(std::string_view path);

}  // namespace orvane::import
