#include "connection/zmodem_decoder.h"

#include "connection/zmodem_crc.h"

#include <algorithm>

namespace orvane::connection::zmodem {

namespace {

constexpr int kCancelRun = 5;

constexpr bool is_flow_control(uint8_t byte) {
    return (byte & 0x7F) == kXon || (byte & 0x7F) == kXoff;
}

// The byte that ZDLE followed by `code` stands for, or -1 when `code` is a
// frame end or no escape at all.
int unescape(uint8_t code) {
    if (code == kZrub0) return 0x7F;
    if (code == kZrub1) return 0xFF;
    if ((code & 0x60) == 0x40) return code ^ 0x40;
    return -1;
}

int hex_value(uint8_t digit) {
    if (digit >= '0' && digit <= '9') return digit - '0';
    if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
    if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
    return -1;
}

// Table of the bytes the subpacket decoder must look at one by one.
struct SpecialBytes {
    bool special[256] = {};
    constexpr SpecialBytes() {
        for (unsigned b = 0; b < 256; ++b) special[b] = b == kZdle || is_flow_control(b);
    }
};
constexpr SpecialBytes kSpecial;

}  // namespace

// --- HeaderDecoder ---

void HeaderDecoder::reset() {
    state_ = State::kSearch;
    skipped_ = 0;
    cans_ = 0;
    escaped_ = false;
    have_ = 0;
}

HeaderDecoder::Event HeaderDecoder::feed(uint8_t byte) {
    if (byte == kCan) {
        if (++cans_ >= kCancelRun) {
            reset();
            return Event::kCancel;
        }
    } else {
        cans_ = 0;
    }
    switch (state_) {
        case State::kSearch:
            if (byte == kZpad) {
                state_ = State::kPad;
                return Event::kMore;
            }
            return skip();
        case State::kPad:
            if (byte == kZpad) return Event::kMore;
            if (byte == kZdle) {
                state_ = State::kPadZdle;
                return Event::kMore;
            }
            state_ = State::kSearch;
            return skip();
        case State::kPadZdle:
            have_ = 0;
            escaped_ = false;
            if (byte == kZhex) {
                format_ = HeaderFormat::kHex;
                state_ = State::kHex;
                return Event::kMore;
            }
            if (byte == kZbin || byte == kZbin32) {
                format_ = byte == kZbin ? HeaderFormat::kBinary16 : HeaderFormat::kBinary32;
                state_ = State::kBinary;
                return Event::kMore;
            }
            if (byte == kZdle) return Event::kMore;  // a run of CAN is being counted
            state_ = State::kSearch;
            return skip();
        case State::kHex:
            return hex_digit(byte);
        case State::kBinary:
            return binary_byte(byte);
    }
    return Event::kMore;
}

HeaderDecoder::Event HeaderDecoder::skip() {
    if (++skipped_ > garbage_limit_) {
        skipped_ = 0;
        return Event::kGarbage;
    }
    return Event::kMore;
}

HeaderDecoder::Event HeaderDecoder::hex_digit(uint8_t byte) {
    const int value = hex_value(byte);
    if (value < 0) {
        state_ = State::kSearch;
        return Event::kBad;
    }
    uint8_t& target = body_[have_ / 2];
    target = static_cast<uint8_t>(have_ % 2 ? (target << 4) | value : value);
    return ++have_ == 14 ? finish() : Event::kMore;
}

HeaderDecoder::Event HeaderDecoder::binary_byte(uint8_t byte) {
    if (is_flow_control(byte)) return Event::kMore;
    if (byte == kZdle) {
        escaped_ = true;
        return Event::kMore;
    }
    int value = byte;
    if (escaped_) {
        escaped_ = false;
        value = unescape(byte);
        if (value < 0) {
            state_ = State::kSearch;
            return Event::kBad;
        }
    }
    body_[have_++] = static_cast<uint8_t>(value);
    const size_t need = format_ == HeaderFormat::kBinary32 ? 9 : 7;
    return have_ == need ? finish() : Event::kMore;
}

HeaderDecoder::Event HeaderDecoder::finish() {
    state_ = State::kSearch;
    skipped_ = 0;
    bool good;
    if (format_ == HeaderFormat::kBinary32) {
        const uint32_t sent = static_cast<uint32_t>(body_[5]) | body_[6] << 8 | body_[7] << 16 |
                              static_cast<uint32_t>(body_[8]) << 24;
        good = crc32({body_, 5}) == sent;
    } else {
        good = crc16({body_, 5}) == (body_[5] << 8 | body_[6]);
    }
    if (!good) return Event::kBad;
    header_.type = static_cast<FrameType>(body_[0]);
    for (int i = 0; i < 4; ++i) header_.bytes[i] = body_[1 + i];
    return Event::kHeader;
}

// --- SubpacketDecoder ---

void SubpacketDecoder::start(bool crc32, size_t limit) {
    crc32_ = crc32;
    limit_ = std::min(limit, buffer_.size());
    length_ = 0;
    state_ = State::kData;
    cans_ = 0;
    end_ = 0;
    check_have_ = 0;
    check_escaped_ = false;
}

size_t SubpacketDecoder::feed(std::span<const uint8_t> input, Event* event) {
    *event = Event::kMore;
    const uint8_t* next = input.data();
    const uint8_t* const stop = next + input.size();
    while (next < stop) {
        if (state_ == State::kData) {
            // Plain bytes are copied in a tight loop; the rest one by one.
            const uint8_t* const run = next;
            uint8_t* out = buffer_.data() + length_;
            const uint8_t* const room_end =
                next + std::min<size_t>(static_cast<size_t>(stop - next), limit_ - length_);
            while (next < room_end && !kSpecial.special[*next]) *out++ = *next++;
            length_ = static_cast<size_t>(out - buffer_.data());
            if (next != run) cans_ = 0;
            if (next == stop) break;
            if (!kSpecial.special[*next]) {
                *event = Event::kTooLong;
                return static_cast<size_t>(next - input.data()) + 1;
            }
        }
        *event = step(*next++);
        if (*event != Event::kMore) break;
    }
    return static_cast<size_t>(next - input.data());
}

SubpacketDecoder::Event SubpacketDecoder::step(uint8_t byte) {
    if (is_flow_control(byte)) return Event::kMore;
    if (byte == kZdle) {
        if (++cans_ >= kCancelRun) return Event::kCancel;
        if (state_ == State::kCheck)
            check_escaped_ = true;
        else
            state_ = State::kEscaped;
        return Event::kMore;
    }
    cans_ = 0;
    switch (state_) {
        case State::kData:
            return append(byte);
        case State::kEscaped:
            state_ = State::kData;
            if (is_frame_end(byte)) {
                end_ = byte;
                state_ = State::kCheck;
                return Event::kMore;
            }
            return append(unescape(byte));
        case State::kCheck: {
            const int value = check_escaped_ ? unescape(byte) : byte;
            check_escaped_ = false;
            if (value < 0) return Event::kBadEscape;
            check_[check_have_++] = static_cast<uint8_t>(value);
            return check_have_ == (crc32_ ? 4u : 2u) ? check_complete() : Event::kMore;
        }
    }
    return Event::kMore;
}

SubpacketDecoder::Event SubpacketDecoder::append(int value) {
    if (value < 0) return Event::kBadEscape;
    if (length_ >= limit_) return Event::kTooLong;
    buffer_[length_++] = static_cast<uint8_t>(value);
    return Event::kMore;
}

SubpacketDecoder::Event SubpacketDecoder::check_complete() const {
    const std::span<const uint8_t> data = this->data();
    bool good;
    if (crc32_) {
        const uint32_t sent = static_cast<uint32_t>(check_[0]) | check_[1] << 8 | check_[2] << 16 |
                              static_cast<uint32_t>(check_[3]) << 24;
        good = crc32({&end_, 1}, crc32(data)) == sent;
    } else {
        good = crc16_byte(end_, crc16(data)) == (check_[0] << 8 | check_[1]);
    }
    return good ? Event::kDone : Event::kBadCrc;
}

}  // namespace orvane::connection::zmodem
