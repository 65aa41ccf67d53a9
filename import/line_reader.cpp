#include "import/line_reader.h"

#include <algorithm>

namespace orvane::import {

namespace {

// Bytes that end a line.
constexpr std::array<bool, 256> line_ends() {
    std::array<bool, 256> ends{};
    ends['\n'] = ends['\r'] = ends['\0'] = ends['\f'] = true;
    return ends;
}
constexpr std::array<bool, 256> kLineEnds = line_ends();

}  // namespace

bool LineReader::read_line() {
    std::string& line = buffers_[1 - current_];
    line.clear();
    BufferedInput& input = source_.top();
    if (input.size() == 0 && !input.fill()) return false;
    for (;;) {
        const uint8_t* data = input.data();
        const size_t size = input.size();
        size_t at = 0;
        while (at < size && !kLineEnds[data[at]]) ++at;
        const size_t room = kMaxLineLength - std::min(line.size(), kMaxLineLength);
        if (at > room) cut_ = true;
        line.append(reinterpret_cast<const char*>(data), std::min(at, room));
        if (at < size) {
            const uint8_t end = data[at];
            input.consume(at + 1);
            if (end == '\r' && input.peek_byte() == '\n') input.consume(1);
            break;
        }
        input.consume(at);
        if (!input.fill()) break;  // a last line without its end
    }
    while (!line.empty() && static_cast<unsigned char>(line.back()) <= ' ') line.pop_back();
    return true;
}

std::optional<std::string_view> LineReader::peek_line() {
    if (!peeked_) {
        peeked_end_ = !read_line();
        peeked_ = true;
    }
    if (peeked_end_) return std::nullopt;
    return buffers_[1 - current_];
}

std::optional<std::string_view> LineReader::next_line() {
    const bool have = peeked_ ? !peeked_end_ : read_line();
    peeked_ = false;
    if (!have) return std::nullopt;
    current_ = 1 - current_;
    return buffers_[current_];
}

}  // namespace orvane::import
