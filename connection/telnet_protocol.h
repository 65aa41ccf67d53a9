// The bytes of the Telnet protocol (RFC 854, 855) that the connection uses,
// and how data is written for the peer: a data byte 255 is doubled, and a
// line end is CR NUL until the client has offered binary mode, CR after.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace orvane::connection {

namespace telnet {

inline constexpr uint8_t kIac = 255;
inline constexpr uint8_t kDont = 254;
inline constexpr uint8_t kDo = 253;
inline constexpr uint8_t kWont = 252;
inline constexpr uint8_t kWill = 251;
inline constexpr uint8_t kSb = 250;
inline constexpr uint8_t kSe = 240;

inline constexpr uint8_t kBinary = 0;
inline constexpr uint8_t kEcho = 1;
inline constexpr uint8_t kSuppressGoAhead = 3;
inline constexpr uint8_t kStartTls = 46;

inline constexpr uint8_t kCr = 13;
inline constexpr uint8_t kNul = 0;

}  // namespace telnet

// Appends `data` to `out` with every 255 doubled.
void append_telnet_data(std::vector<uint8_t>* out, std::span<const uint8_t> data);

// Appends the line end: CR NUL before the client's option offers
// (`negotiated` false), CR alone after them.
void append_line_end(std::vector<uint8_t>* out, bool negotiated);

// Appends IAC `verb` `option`.
void append_telnet_command(std::vector<uint8_t>* out, uint8_t verb, uint8_t option);

}  // namespace orvane::connection
