// The bytes of a file as they are, read in large pieces from a position.
#pragma once

#include <cstdint>
#include <string>

#include "import/buffered_input.h"
#include "platform/file.h"

namespace orvane::import {

class FileLayer : public ByteLayer {
  public:
    // Opens `path` for reading from `offset` on; 0 or the file layer's error.
    [[nodiscard]] int open(const std::string& path, uint64_t offset,
                           platform::Env& env = platform::system_env());

    size_t read(uint8_t* out, size_t capacity, platform::Status* status) override;

    // Where the next read starts.
    uint64_t position() const { return position_; }
    // The file's size when opened.
    uint64_t size() const { return size_; }

  private:
    platform::File file_;
    uint64_t position_ = 0;
    uint64_t size_ = 0;
};

}  // namespace orvane::import
