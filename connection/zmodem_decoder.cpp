#include "connection/zmodem_decoder.h"

#include "connection/zmodem_crc.h"

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

void SubpacketDecoder::start(bool crc32, std::vector<uint8_t>* data, size_t limit) {
    crc32_ = crc32;
    data_ = data;
    data_->clear();
    limit_ = limit;
    escaped_ = false;
    cans_ = 0;
    end_ = 0;
    check_have_ = 0;
}

size_t SubpacketDecoder::feed(std::span<const uint8_t> input, Event* event) {
    *event = Event::kMore;
    std::vector<uint8_t>& data = *data_;
    size_t used = 0;
    while (used < input.size()) {
        const uint8_t byte = input[used++];
        if (!kSpecial.special[byte] && !escaped_ && !end_) {
            if (data.size() >= limit_) {
                *event = Event::kTooLong;
                return used;
            }
            data.push_back(byte);
            cans_ = 0;
            continue;
        }
        if (is_flow_control(byte)) continue;
        if (byte == kZdle) {
            if (++cans_ >= kCancelRun) {
                *event = Event::kCancel;
                return used;
            }
            escaped_ = true;
            continue;
        }
        cans_ = 0;
        int value = byte;
        if (escaped_) {
            escaped_ = false;
            if (is_frame_end(byte) && !end_) {
                end_ = byte;
                continue;
            }
            value = unescape(byte);
            if (value < 0) {
                *event = Event::kBadEscape;
                return used;
            }
        }
        if (end_) {
            check_[check_have_++] = static_cast<uint8_t>(value);
            if (check_have_ == (crc32_ ? 4u : 2u)) {
                *event = check_complete();
                return used;
            }
        } else if (data.size() >= limit_) {
            *event = Event::kTooLong;
            return used;
        } else {
            data.push_back(static_cast<uint8_t>(value));
        }
    }
    return used;
}

SubpacketDecoder::Event SubpacketDecoder::check_complete() const {
    const std::vector<uint8_t>& data = *data_;
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
