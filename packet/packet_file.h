// The mail packet file as it is written: lines ending in CR LF, buffered,
// with the first write error remembered so the builder can check it after
// each item instead of after every line.
#pragma once

#include <string>
#include <string_view>

#include "platform/file.h"

namespace orvane::packet {

class PacketFile {
  public:
    explicit PacketFile(platform::Env& env = platform::system_env()) : file_(env) {}

    // Creates (or truncates) the file. Returns 0 or an error code.
    [[nodiscard]] int create(const std::string& path);

    // Writes `text` and CR LF.
    void line(std::string_view text);

    // Writes what is buffered; returns the first error met so far (0: none).
    [[nodiscard]] int flush();
    int error() const { return error_; }

    // Flushes, syncs and closes; returns the first error met.
    [[nodiscard]] int close();
    const std::string& path() const { return file_.path(); }

  private:
    platform::File file_;
    std::string buffer_;
    uint64_t written_ = 0;
    int error_ = 0;
};

}  // namespace orvane::packet
