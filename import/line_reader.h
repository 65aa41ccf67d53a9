// Lines of server output from the top of the byte source. A line ends at
// LF, NUL or form feed; CR LF and a lone CR count as LF. A line keeps at
// most kMaxLineLength bytes (the rest of it is dropped), and its trailing
// bytes of value 32 or below are removed. A last line without its line end
// is still a line.
//
// One line may be looked at before it is taken (a header value that goes on
// over indented lines needs that); the line taken before it stays valid
// meanwhile.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "import/byte_source.h"
#include "texts/header_value_reader.h"

namespace orvane::import {

inline constexpr size_t kMaxLineLength = 65501;

class LineReader : public texts::LineSource {
  public:
    explicit LineReader(ByteSource& source) : source_(source) {}

    // The next line; nothing when the top layer of the source has no more
    // bytes (the caller then ends the layer and reads on). The view stays
    // valid until the line after the next one is read.
    std::optional<std::string_view> next_line();

    // LineSource: the next line without taking it; nothing at the end of
    // the layer.
    std::optional<std::string_view> peek_line() override;
    void take_line() override { peeked_ = false; }

    // Some line was longer than kMaxLineLength and was cut.
    bool cut_lines() const { return cut_; }

  private:
    // Reads one line into the spare buffer; false at the end of the layer.
    bool read_line();

    ByteSource& source_;
    std::array<std::string, 2> buffers_;
    size_t current_ = 0;  // the buffer of the line handed out last
    bool peeked_ = false;
    bool peeked_end_ = false;  // what was peeked is the end of the layer
    bool cut_ = false;
};

}  // namespace orvane::import
