// Comma-separated values the way spreadsheets write them (RFC 4180): fields
// parted by commas, records by CR LF, LF or a lone CR; a field in double quotes may hold
// commas, line breaks and doubled quotes; a UTF-8 byte-order mark at the
// start is passed over. Reading is lenient where spreadsheets are: a quote
// inside an unquoted field is kept as it is, text after a closing quote
// joins the field, and a quote left open runs to the end of the input.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::addressbook {

// The longest record the address import reads.
inline constexpr size_t kLongestCsvRecord = 16384;

class CsvReader {
  public:
    enum class Next {
        kRecord,
        kTooLong,  // a record longer than the limit, passed over
        kEnd,
    };

    explicit CsvReader(std::string_view text, size_t longest_record = kLongestCsvRecord);

    Next next(std::vector<std::string>* fields);
    // How far the reader has come, in bytes of the input.
    size_t position() const { return at_; }

  private:
    std::string_view text_;
    size_t longest_;
    size_t at_ = 0;
};

// A field as it is written: in double quotes, with quotes doubled, when it
// holds a comma, a quote or a line break; otherwise unchanged.
std::string csv_field(std::string_view value);
// The fields parted by commas and ended by LF.
std::string csv_line(std::span<const std::string> fields);

}  // namespace orvane::addressbook
