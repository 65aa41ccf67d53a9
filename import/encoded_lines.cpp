#include "import/encoded_lines.h"

#include <algorithm>
#include <cstring>

#include "texts/ascii.h"

namespace orvane::import {

namespace {

constexpr uint8_t kPad = 64;
constexpr uint8_t kNotInAlphabet = 255;

constexpr std::array<uint8_t, 256> base64_values() {
    std::array<uint8_t, 256> values{};
    values.fill(kNotInAlphabet);
    for (int i = 0; i < 26; ++i) {
        values['A' + i] = static_cast<uint8_t>(i);
        values['a' + i] = static_cast<uint8_t>(26 + i);
    }
    for (int i = 0; i < 10; ++i) values['0' + i] = static_cast<uint8_t>(52 + i);
    values['+'] = 62;
    values['/'] = 63;
    values['='] = kPad;
    return values;
}
constexpr std::array<uint8_t, 256> kBase64Values = base64_values();

uint8_t uu_value(char c) {
    return static_cast<uint8_t>((static_cast<unsigned char>(c) - 32) & 63);
}

// Hands on decoded bytes kept from the last line.
size_t hand_on(std::string& decoded, size_t& taken, uint8_t* out, size_t capacity) {
    const size_t count = std::min(capacity, decoded.size() - taken);
    std::memcpy(out, decoded.data() + taken, count);
    taken += count;
    return count;
}

}  // namespace

bool read_line_piece(BufferedInput& input, std::string& line) {
    line.clear();
    if (input.exhausted() || input.peek_byte() < 0) return false;
    while (line.size() < kEncodedLinePiece) {
        const int c = input.next_byte();
        if (c < 0 || c == '\n') return true;
        line.push_back(static_cast<char>(c));
    }
    // A full piece: the line end right after it belongs to this piece.
    if (input.peek_byte() == '\n') input.consume(1);
    return true;
}

void decode_base64_line(std::string_view line, std::string& out) {
    uint8_t group[4];
    size_t count = 0;
    for (char c : line) {
        const uint8_t value = kBase64Values[static_cast<unsigned char>(c)];
        if (value == kNotInAlphabet) continue;
        group[count++] = value;
        if (count < 4) continue;
        count = 0;
        const uint8_t v0 = group[0] & 63, v1 = group[1] & 63, v2 = group[2] & 63;
        out.push_back(static_cast<char>((v0 << 2) | (v1 >> 4)));
        if (group[2] != kPad) out.push_back(static_cast<char>(((v1 & 15) << 4) | (v2 >> 2)));
        if (group[3] != kPad) out.push_back(static_cast<char>(((v2 & 3) << 6) | (group[3] & 63)));
    }
}

void decode_uuencoded_line(std::string_view line, std::string& out) {
    if (line.empty()) return;
    size_t remaining = uu_value(line[0]);
    // Blanks at the end may have been stripped in transit; they stand for 0.
    auto value_at = [&](size_t i) { return i < line.size() ? uu_value(line[i]) : uint8_t{0}; };
    for (size_t i = 1; remaining > 0; i += 4) {
        const uint8_t c0 = value_at(i), c1 = value_at(i + 1), c2 = value_at(i + 2),
                      c3 = value_at(i + 3);
        const uint8_t bytes[3] = {static_cast<uint8_t>((c0 << 2) | (c1 >> 4)),
                                  static_cast<uint8_t>((c1 << 4) | (c2 >> 2)),
                                  static_cast<uint8_t>((c2 << 6) | c3)};
        for (size_t b = 0; b < 3 && remaining > 0; ++b, --remaining)
            out.push_back(static_cast<char>(bytes[b]));
    }
}

size_t Base64Layer::read(uint8_t* out, size_t capacity, platform::Status*) {
    while (taken_ == decoded_.size()) {
        if (ended_) return 0;
        decoded_.clear();
        taken_ = 0;
        if (!read_line_piece(below_, line_)) {
            ended_ = true;
            return 0;
        }
        if (texts::starts_with_ignoring_case(line_, boundary_)) {
            ended_ = true;
            closing_ = std::string_view(line_).substr(boundary_.size()).starts_with("--");
            return 0;
        }
        decode_base64_line(line_, decoded_);
    }
    return hand_on(decoded_, taken_, out, capacity);
}

size_t UuLayer::read(uint8_t* out, size_t capacity, platform::Status*) {
    while (taken_ == decoded_.size()) {
        if (ended_) return 0;
        decoded_.clear();
        taken_ = 0;
        if (!read_line_piece(below_, line_)) {
            ended_ = true;
            return 0;
        }
        while (!line_.empty() && static_cast<unsigned char>(line_.back()) <= ' ') line_.pop_back();
        if (line_.empty()) continue;
        if (line_ == "end") {
            ended_ = true;
            return 0;
        }
        decode_uuencoded_line(line_, decoded_);
    }
    return hand_on(decoded_, taken_, out, capacity);
}

}  // namespace orvane::import
