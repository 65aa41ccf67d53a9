#include "addressbook/list_line.h"

#include "texts/ascii.h"

namespace orvane::addressbook {

namespace {

class Fields {
  public:
    explicit Fields(std::string_view line) : line_(line) {}

    void skip_blanks() {
        while (at_ < line_.size() && texts::is_blank(line_[at_])) ++at_;
    }
    bool at_end() const { return at_ >= line_.size(); }
    bool at_blank() const { return !at_end() && texts::is_blank(line_[at_]); }

    // Decimal digits up to `limit`; false when there are none or the value
    // is larger.
    bool decimal(uint64_t limit, uint64_t* value) {
        const size_t start = at_;
        *value = 0;
        while (!at_end() && texts::is_digit(line_[at_])) {
            *value = *value * 10 + static_cast<uint64_t>(line_[at_++] - '0');
            if (*value > limit) return false;
        }
        return at_ > start;
    }

    bool hexadecimal(uint32_t* value) {
        const size_t start = at_;
        uint64_t sum = 0;
        for (; !at_end(); ++at_) {
            const char c = texts::to_lower(line_[at_]);
            int digit = texts::is_digit(c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
            if (digit < 0) break;
            sum = sum * 16 + static_cast<uint64_t>(digit);
            if (sum > 0xFFFFFFFF) return false;
        }
        *value = static_cast<uint32_t>(sum);
        return at_ > start;
    }

    bool take(char c) {
        if (at_end() || line_[at_] != c) return false;
        ++at_;
        return true;
    }
    void skip_one() {
        if (!at_end()) ++at_;
    }

    // The name: up to two blanks in a row or the end, without blanks at its end.
    std::string_view name() {
        const size_t start = at_;
        size_t end = line_.find("  ", start);
        if (end == std::string_view::npos) end = line_.size();
        at_ = end;
        std::string_view name = line_.substr(start, end - start);
        while (!name.empty() && texts::is_blank(name.back())) name.remove_suffix(1);
        return name;
    }

  private:
    std::string_view line_;
    size_t at_ = 0;
};

}  // namespace

std::optional<ListFileName> parse_list_file_name(std::string_view name) {
    if (name.size() < 8) return std::nullopt;
    const char letter = texts::to_upper(name[0]);
    if (letter < 'A' || letter > 'Z' || texts::to_upper(name[1]) != 'O') return std::nullopt;
    for (size_t i = 2; i < 7; ++i)
        if (!texts::is_digit(name[i])) return std::nullopt;
    if (name[7] != '$' && name[7] != '#') return std::nullopt;
    const std::string_view rest = name.substr(8);
    ListFileName parsed{static_cast<NodeKey>(letter), name[7] == '$', false};
    if (rest.empty() || rest == ".") return parsed;
    if (!texts::equals_ignoring_case(rest, ".zip")) return std::nullopt;
    parsed.zipped = true;
    return parsed;
}

LineVerdict parse_list_line(std::string_view line, ListLine* parsed) {
    if (line.size() < kShortestListLine) return LineVerdict::kShort;
    if (line.size() > kLongestListLine) return LineVerdict::kBad;
    *parsed = ListLine();
    Fields fields(line);
    uint64_t value = 0;

    fields.skip_blanks();
    const bool negative = fields.take('-');
    if (!fields.decimal(uint64_t{1} << 31, &value) || (!negative && value > 0x7FFFFFFF) ||
        !fields.at_blank())
        return LineVerdict::kBad;
    parsed->serial =
        negative ? static_cast<int32_t>(-static_cast<int64_t>(value)) : static_cast<int32_t>(value);

    fields.skip_blanks();
    if (!fields.decimal(0xFFFFFFFF, &value) || !fields.at_blank()) return LineVerdict::kBad;
    parsed->type = static_cast<uint32_t>(value);

    fields.skip_blanks();
    if (!fields.decimal(0x7FFF, &value) || !fields.at_blank()) return LineVerdict::kBad;
    parsed->number = static_cast<uint16_t>(value);
    parsed->number_known = true;

    fields.skip_blanks();
    if (!fields.hexadecimal(&parsed->flags) || !(fields.at_blank() || fields.at_end()))
        return LineVerdict::kBad;

    fields.skip_blanks();
    parsed->name = std::string(fields.name().substr(0, kMaxNameLength));

    fields.skip_blanks();
    for (bool first = true; !fields.at_end(); first = false) {
        if (!fields.decimal(0xFFFF, &value)) {
            // A number too large for an object number: the line is not what
            // it claims to be. Anything else that is no number ends the list.
            if (value > 0xFFFF) return LineVerdict::kBad;
            break;
        }
        if (first) {
            parsed->first_number = static_cast<uint16_t>(value);
        } else {
            parsed->more_numbers.push_back(static_cast<uint16_t>(value));
        }
        fields.skip_one();
        fields.skip_blanks();
    }
    return LineVerdict::kRead;
}

}  // namespace orvane::addressbook
