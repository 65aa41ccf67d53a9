#include "connection/zmodem_encoder.h"

#include "connection/zmodem_crc.h"

namespace orvane::connection::zmodem {

namespace {

void append_hex(uint8_t byte, std::vector<uint8_t>* out) {
    static constexpr char kDigits[] = "0123456789abcdef";
    out->push_back(static_cast<uint8_t>(kDigits[byte >> 4]));
    out->push_back(static_cast<uint8_t>(kDigits[byte & 0x0F]));
}

}  // namespace

FrameEncoder::FrameEncoder(bool escape_all) {
    if (escape_all) {
        for (unsigned b = 0; b < 0x20; ++b) {
            escape_[b] = static_cast<uint8_t>(b ^ 0x40);
            escape_[b | 0x80] = static_cast<uint8_t>((b | 0x80) ^ 0x40);
        }
        escape_[0x7F] = kZrub0;
    } else {
        for (uint8_t b : {0x10, 0x11, 0x13, 0x18, 0x90, 0x91, 0x93})
            escape_[b] = static_cast<uint8_t>(b ^ 0x40);
    }
    escape_[0xFF] = kZrub1;
}

void FrameEncoder::escaped(std::span<const uint8_t> bytes, std::vector<uint8_t>* out) const {
    // Room for the worst case first, so that the loop only stores.
    const size_t start = out->size();
    out->resize(start + 2 * bytes.size());
    uint8_t* next = out->data() + start;
    for (uint8_t byte : bytes) {
        if (const uint8_t code = escape_[byte]) {
            *next++ = kZdle;
            *next++ = code;
        } else {
            *next++ = byte;
        }
    }
    out->resize(static_cast<size_t>(next - out->data()));
}

void FrameEncoder::hex_header(const Header& header, std::vector<uint8_t>* out) const {
    const uint8_t body[5] = {static_cast<uint8_t>(header.type), header.bytes[0], header.bytes[1],
                             header.bytes[2], header.bytes[3]};
    const uint16_t crc = crc16(body);
    out->insert(out->end(), {kZpad, kZpad, kZdle, kZhex});
    for (uint8_t byte : body) append_hex(byte, out);
    append_hex(static_cast<uint8_t>(crc >> 8), out);
    append_hex(static_cast<uint8_t>(crc), out);
    out->insert(out->end(), {'\r', '\n'});
}

void FrameEncoder::binary_header(const Header& header, bool crc32,
                                 std::vector<uint8_t>* out) const {
    uint8_t body[9] = {static_cast<uint8_t>(header.type), header.bytes[0], header.bytes[1],
                       header.bytes[2], header.bytes[3]};
    size_t length = 5;
    if (crc32) {
        const uint32_t crc = zmodem::crc32({body, 5});
        for (int i = 0; i < 4; ++i) body[length++] = static_cast<uint8_t>(crc >> (8 * i));
    } else {
        const uint16_t crc = crc16({body, 5});
        body[length++] = static_cast<uint8_t>(crc >> 8);
        body[length++] = static_cast<uint8_t>(crc);
    }
    out->insert(out->end(), {kZpad, kZdle, crc32 ? kZbin32 : kZbin});
    escaped({body, length}, out);
}

void FrameEncoder::subpacket(std::span<const uint8_t> data, FrameEnd end, bool crc32,
                             std::vector<uint8_t>* out) const {
    escaped(data, out);
    const uint8_t end_byte = static_cast<uint8_t>(end);
    out->insert(out->end(), {kZdle, end_byte});
    uint8_t check[4];
    size_t length = 0;
    if (crc32) {
        const uint32_t crc = zmodem::crc32({&end_byte, 1}, zmodem::crc32(data));
        for (int i = 0; i < 4; ++i) check[length++] = static_cast<uint8_t>(crc >> (8 * i));
    } else {
        const uint16_t crc = crc16_byte(end_byte, crc16(data));
        check[length++] = static_cast<uint8_t>(crc >> 8);
        check[length++] = static_cast<uint8_t>(crc);
    }
    escaped({check, length}, out);
}

}  // namespace orvane::connection::zmodem
