// Local files carried inside the mail packet: an "@file" line, the file's
// bytes in one of two encodings, and "@eof".
//
// Encoding 1 is Base64 in lines of 76 characters. Encoding 2, the shift
// coding, suits text: every byte belongs to one of three classes of 85
// values, each written as one character of an 85-character alphabet; class
// changes are announced by a one-byte shift ("[", "\", "]") or a lasting
// switch ("{", "|", "}"), and byte 0 is "~".
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orvane::packet {

class PacketFile;

inline constexpr int kBase64Encoding = 1;
inline constexpr int kShiftEncoding = 2;
inline constexpr size_t kEncodedLineLength = 76;

// The shift coding of `bytes` as one run of characters (no line breaks).
std::string shift_encode(std::span<const uint8_t> bytes);
std::string base64_encode(std::span<const uint8_t> bytes);

// The encoding for a file: the shift coding when it is at most a third
// longer than the file, else Base64.
int choose_encoding(std::span<const uint8_t> bytes);

// `encoded` cut into lines of at most 76 characters.
std::vector<std::string> encoded_lines(const std::string& encoded);

// Writes the whole "@file NAME ENCODING DOSTIME REMAINDER" block for the
// file's bytes, ending with "@eof". `dos_time` is date << 16 | time.
void write_file_block(PacketFile& packet, const std::string& clean_name, uint32_t dos_time,
                      const std::string& remainder, std::span<const uint8_t> bytes);

}  // namespace orvane::packet
