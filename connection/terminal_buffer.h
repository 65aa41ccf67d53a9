// The text of the terminal: a plain line terminal without cursor addressing,
// as the session automaton compares prompts against it and the capture
// file records it. Received bytes are appended at the write position:
//  - NUL and BEL are ignored;
//  - backspace moves the write position back one character, but not before
//    the start of the current line (what is before it may already be in
//    the capture file);
//  - CR makes the next ordinary byte rewrite the current line from its
//    start, dropping the rest of the line; CR LF keeps the line;
//  - LF ends the line (at the end of the text, wherever the write position
//    was);
//  - every other byte (tab included) is stored at the write position,
//    overwriting what backspace left behind.
// Lines end with a single LF in the text. The text holds at most 65504
// bytes; when it is full, its oldest 8192 bytes are handed to the capture
// first (as far as they were not yet) and then dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

namespace orvane::connection {

inline constexpr size_t kTerminalTextSize = 65504;
inline constexpr size_t kTerminalDropSize = 8192;

class TerminalBuffer {
  public:
    // Receives text for the capture file, in order, each byte once.
    using Saver = std::function<void(std::span<const uint8_t> text)>;

    explicit TerminalBuffer(Saver saver = {}) : saver_(std::move(saver)) {}

    void put(uint8_t byte);

    std::string_view text() const {
        return {reinterpret_cast<const char*>(text_.data()), text_.size()};
    }
    size_t write_position() const { return write_position_; }
    size_t line_start() const { return line_start_; }
    // Lines ended since the text was cleared (dropped lines no longer count).
    size_t line_count() const { return line_count_; }

    // Hands the unsaved text to the saver: the finished lines and, with
    // `with_current_line`, the current line followed by a line end.
    void save(bool with_current_line);
    // From now on only text from the current line on is unsaved.
    void mark_saved_before_current_line() { unsaved_start_ = line_start_; }
    // Empties the text (a new session).
    void clear();

  private:
    void store(uint8_t byte);
    void end_line();
    void make_room();
    void hand_over(size_t end);

    Saver saver_;
    std::vector<uint8_t> text_;
    size_t write_position_ = 0;
    size_t line_start_ = 0;
    size_t unsaved_start_ = 0;
    size_t line_count_ = 0;
    bool carriage_return_ = false;
};

}  // namespace orvane::connection
