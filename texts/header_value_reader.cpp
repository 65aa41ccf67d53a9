#include "texts/header_value_reader.h"

#include "texts/ascii.h"

namespace orvane::texts {

int start_depth_for(HeaderCode code) {
    if (code == HeaderCode::kAttached) return kFileNameDepth;
    if (is_receiver_code(code) || code == HeaderCode::kReference || code == HeaderCode::kComment)
        return kListDepth;
    return kWholeValueDepth;
}

HeaderValueReader::HeaderValueReader(std::string_view rest_of_line, LineSource* more,
                                     int start_depth)
    : line_(rest_of_line), more_(more), depth_(start_depth) {}

int HeaderValueReader::next_char() {
    if (ended_) return kEndOfValue;
    if (pos_ < line_.size()) return static_cast<unsigned char>(line_[pos_++]);

    // The value goes on only on a line that starts with a blank or a tab;
    // any other line belongs to whoever reads after the header.
    std::optional<std::string_view> next = more_ ? more_->peek_line() : std::nullopt;
    if (!next || next->empty() || !is_blank(next->front())) {
        ended_ = true;
        return kEndOfValue;
    }
    continuation_.assign(*next);
    more_->take_line();
    line_ = continuation_;
    pos_ = 0;
    while (pos_ < line_.size() && is_blank(line_[pos_])) ++pos_;
    return ' ';
}

std::optional<std::string> HeaderValueReader::next_item() {
    int c = next_char();
    while (c == ' ' || c == '\t') c = next_char();
    if (c == kEndOfValue) return std::nullopt;

    std::string item;
    for (; c != kEndOfValue; c = next_char()) {
        if (c == '\t') c = ' ';
        if (c == '"') {
            quoted_ = !quoted_;
        } else if (!quoted_) {
            if (c == '(') {
                ++depth_;
            } else if (c == ')') {
                if (depth_ > 0) --depth_;
            } else if (c == ',' && depth_ <= 0) {
                break;
            }
        }
        if (c == ' ' && !item.empty() && item.back() == ' ') continue;
        if (item.size() < kMaxItemLength) item += static_cast<char>(c);
    }
    while (!item.empty() && item.back() == ' ') item.pop_back();
    return item;
}

}  // namespace orvane::texts
