#include "addressbook/csv.h"

namespace orvane::addressbook {

CsvReader::CsvReader(std::string_view text, size_t longest_record)
    : text_(text), longest_(longest_record) {
    if (text_.starts_with("\xEF\xBB\xBF")) at_ = 3;
}

CsvReader::Next CsvReader::next(std::vector<std::string>* fields) {
    fields->clear();
    if (at_ >= text_.size()) return Next::kEnd;
    const size_t start = at_;
    std::string field;
    bool quoted = false;  // inside quotes
    bool too_long = false;
    for (;;) {
        if (at_ >= text_.size()) break;
        const char c = text_[at_++];
        if (!too_long && at_ - start > longest_) {
            too_long = true;
            fields->clear();
            field.clear();
        }
        if (quoted) {
            if (c != '"') {
                if (!too_long) field.push_back(c);
            } else if (at_ < text_.size() && text_[at_] == '"') {
                ++at_;
                if (!too_long) field.push_back('"');
            } else {
                quoted = false;
            }
            continue;
        }
        if (c == '\n' || c == '\r') {
            if (c == '\r' && at_ < text_.size() && text_[at_] == '\n') ++at_;
            break;
        }
        if (too_long) {
            if (c == '"') quoted = true;
            continue;
        }
        if (c == ',') {
            fields->push_back(std::move(field));
            field.clear();
        } else if (c == '"' && field.empty()) {
            quoted = true;
        } else {
            field.push_back(c);
        }
    }
    if (too_long) {
        fields->clear();
        return Next::kTooLong;
    }
    fields->push_back(std::move(field));
    return Next::kRecord;
}

std::string csv_field(std::string_view value) {
    if (value.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(value);
    std::string quoted = "\"";
    for (char c : value) {
        if (c == '"') quoted.push_back('"');
        quoted.push_back(c);
    }
    quoted.push_back('"');
    return quoted;
}

std::string csv_line(std::span<const std::string> fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line.push_back(',');
        line += csv_field(fields[i]);
    }
    line.push_back('\n');
    return line;
}

}  // namespace orvane::addressbook
