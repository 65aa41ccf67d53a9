#include "packet/file_embedding.h"

#include <cstdio>

#include "packet/packet_file.h"

namespace orvane::packet {

namespace {

// The 85 characters: ASCII 33-63, 65-90, 95 and 96-122.
constexpr char kAlphabet[] =
    "!\"#$%&'()*+,-./0123456789:;<=>?ABCDEFGHIJKLMNOPQRSTUVWXYZ_`abcdefghijklmnopqrstuvwxyz";
static_assert(sizeof kAlphabet - 1 == 85);

int byte_class(uint8_t b) {
    if ((b >= 32 && b <= 63) || (b >= 65 && b <= 90) || (b >= 96 && b <= 122)) return 0;
    if (b >= 171) return 2;
    return 1;  // 1-31, 64, 91-95, 123-170
}

char class_character(uint8_t b) {
    switch (byte_class(b)) {
        case 0:
            return b == 32 ? '_' : static_cast<char>(b);
        case 2:
            return kAlphabet[b - 171];
        default:
            break;
    }
    if (b <= 26) return static_cast<char>('A' + b - 1);
    if (b <= 31) return static_cast<char>(';' + b - 27);
    if (b == 64) return '_';
    if (b <= 95) return static_cast<char>('!' + b - 91);
    // 123-170: "&" to "/", "0" to "9", ":", "`", "a" to "z".
    static constexpr char kHigh[] = "&'()*+,-./0123456789:`abcdefghijklmnopqrstuvwxyz";
    static_assert(sizeof kHigh - 1 == 48);
    return kHigh[b - 123];
}

}  // namespace

std::string shift_encode(std::span<const uint8_t> bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    int current = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        uint8_t b = bytes[i];
        if (b == 0) {
            out += '~';
            continue;
        }
        int c = byte_class(b);
        if (c != current) {
            bool next_stays =
                i + 1 < bytes.size() && bytes[i + 1] != 0 && byte_class(bytes[i + 1]) != current;
            if (next_stays) {
                out += static_cast<char>('0' + c + 0x4B);  // lasting switch
                current = c;
            } else {
                out += static_cast<char>('0' + c + 0x2B);  // this byte only
            }
        }
        out += class_character(b);
    }
    return out;
}

std::string base64_encode(std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        uint32_t v = bytes[i] << 16 | bytes[i + 1] << 8 | bytes[i + 2];
        for (int shift = 18; shift >= 0; shift -= 6) out += kDigits[(v >> shift) & 63];
    }
    if (size_t rest = bytes.size() - i) {
        uint32_t v = bytes[i] << 16 | (rest == 2 ? bytes[i + 1] << 8 : 0);
        out += kDigits[(v >> 18) & 63];
        out += kDigits[(v >> 12) & 63];
        out += rest == 2 ? kDigits[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

int choose_encoding(std::span<const uint8_t> bytes) {
    return shift_encode(bytes).size() <= 4 * bytes.size() / 3 ? kShiftEncoding : kBase64Encoding;
}

std::vector<std::string> encoded_lines(const std::string& encoded) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < encoded.size(); at += kEncodedLineLength) {
        lines.push_back(encoded.substr(at, kEncodedLineLength));
    }
    return lines;
}

void write_file_block(PacketFile& packet, const std::string& clean_name, uint32_t dos_time,
                      const std::string& remainder, std::span<const uint8_t> bytes) {
    std::string shift = shift_encode(bytes);
    bool use_shift = shift.size() <= 4 * bytes.size() / 3;
    char head[64];
    std::snprintf(head, sizeof head, " %d %08X ", use_shift ? kShiftEncoding : kBase64Encoding,
                  dos_time);
    packet.line("@file " + clean_name + head + remainder);
    // Base64 of 57 bytes is exactly one line of 76 characters.
    for (const std::string& line : encoded_lines(use_shift ? shift : base64_encode(bytes)))
        packet.line(line);
    packet.line("@eof");
}

}  // namespace orvane::packet
