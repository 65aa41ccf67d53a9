// The two text encodings that carry binary data through mail: base64 (the
// body of a MIME part) and uuencoding (a "begin" block inside a text). Each
// is a layer that reads the encoded lines from the layer below and hands on
// the decoded bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "import/buffered_input.h"

namespace orvane::import {

// Encoded lines are read at most this many characters at a time; a longer
// line is read in pieces.
inline constexpr size_t kEncodedLinePiece = 80;

// The next piece of a line (at most kEncodedLinePiece characters, without
// its LF) into `line`. False when the input holds nothing more.
bool read_line_piece(BufferedInput& input, std::string& line);

// Decodes one line of base64: groups of four alphabet values give three
// bytes, fewer where the third or fourth is the pad '='; bytes outside the
// alphabet are passed over, and a group left incomplete at the end of the
// line is dropped. Appends to `out`.
void decode_base64_line(std::string_view line, std::string& out);

// Decodes one uuencoded line: the first character gives the byte count,
// each following group of four characters three bytes. Appends to `out`.
void decode_uuencoded_line(std::string_view line, std::string& out);

// The body of a base64 MIME part, up to the line that starts with the
// boundary (compared without regard to case).
class Base64Layer : public ByteLayer {
  public:
    Base64Layer(BufferedInput& below, std::string boundary)
        : below_(below), boundary_(std::move(boundary)) {}
    size_t read(uint8_t* out, size_t capacity, platform::Status* status) override;

    // The part ended at a boundary followed by "--": the message is over.
    bool closing_boundary() const { return closing_; }

  private:
    BufferedInput& below_;
    std::string boundary_;
    std::string line_;
    std::string decoded_;
    size_t taken_ = 0;
    bool ended_ = false;
    bool closing_ = false;
};

// A uuencoded block, up to the line "end".
class UuLayer : public ByteLayer {
  public:
    explicit UuLayer(BufferedInput& below) : below_(below) {}
    size_t read(uint8_t* out, size_t capacity, platform::Status* status) override;

  private:
    BufferedInput& below_;
    std::string line_;
    std::string decoded_;
    size_t taken_ = 0;
    bool ended_ = false;
};

}  // namespace orvane::import
