#include "connection/terminal_buffer.h"

#include <algorithm>

namespace orvane::connection {

namespace {

constexpr uint8_t kNul = 0;
constexpr uint8_t kBell = 7;
constexpr uint8_t kBackspace = 8;
constexpr uint8_t kLineFeed = 10;
constexpr uint8_t kCarriageReturn = 13;

}  // namespace

void TerminalBuffer::put(uint8_t byte) {
    switch (byte) {
        case kNul:
        case kBell:
            break;
        case kBackspace:
            if (write_position_ > line_start_) --write_position_;
            break;
        case kCarriageReturn:
            carriage_return_ = true;
            break;
        case kLineFeed:
            carriage_return_ = false;
            end_line();
            break;
        default:
            if (carriage_return_) {
                carriage_return_ = false;
                text_.resize(line_start_);
                write_position_ = line_start_;
                unsaved_start_ = std::min(unsaved_start_, line_start_);
            }
            store(byte);
            break;
    }
}

void TerminalBuffer::store(uint8_t byte) {
    if (write_position_ < text_.size()) {
        text_[write_position_++] = byte;
        return;
    }
    if (text_.size() >= kTerminalTextSize) make_room();
    text_.push_back(byte);
    write_position_ = text_.size();
}

void TerminalBuffer::end_line() {
    if (text_.size() >= kTerminalTextSize) make_room();
    text_.push_back(kLineFeed);
    write_position_ = line_start_ = text_.size();
    ++line_count_;
    hand_over(line_start_);
}

void TerminalBuffer::make_room() {
    const size_t dropped = std::min(kTerminalDropSize, text_.size());
    hand_over(dropped);
    const auto end = text_.begin() + static_cast<ptrdiff_t>(dropped);
    const size_t lines = static_cast<size_t>(std::count(text_.begin(), end, kLineFeed));
    text_.erase(text_.begin(), end);
    auto move_down = [dropped](size_t position) {
        return position > dropped ? position - dropped : 0;
    };
    write_position_ = move_down(write_position_);
    line_start_ = move_down(line_start_);
    unsaved_start_ = move_down(unsaved_start_);
    line_count_ -= std::min(line_count_, lines);
}

void TerminalBuffer::hand_over(size_t end) {
    if (end <= unsaved_start_) return;
    if (saver_) saver_({text_.data() + unsaved_start_, end - unsaved_start_});
    unsaved_start_ = end;
}

void TerminalBuffer::save(bool with_current_line) {
    hand_over(line_start_);
    if (!with_current_line || text_.size() <= unsaved_start_) return;
    hand_over(text_.size());
    static constexpr uint8_t kLineEnd[] = {kLineFeed};
    if (saver_) saver_(kLineEnd);
}

void TerminalBuffer::clear() {
    text_.clear();
    write_position_ = line_start_ = unsaved_start_ = line_count_ = 0;
    carriage_return_ = false;
}

}  // namespace orvane::connection
