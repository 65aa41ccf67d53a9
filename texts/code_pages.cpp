#include "texts/code_pages.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

#include "texts/text_record.h"

namespace orvane::texts {

namespace {

// One iconv conversion for as long as it lives.
class Converter {
  public:
    Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(handle_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    // Converts all of `in`; false when iconv stops at a character it cannot
    // convert (or an invalid sequence). `out` holds what came before it.
    bool convert(std::string_view in, std::string* out) {
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);  // a fresh start
        char* from = const_cast<char*>(in.data());
        size_t left = in.size();
        char buffer[1024];
        while (left > 0) {
            char* to = buffer;
            size_t room = sizeof buffer;
            const size_t result = iconv(handle_, &from, &left, &to, &room);
            out->append(buffer, static_cast<size_t>(to - buffer));
            if (result == static_cast<size_t>(-1) && errno != E2BIG) return false;
        }
        return true;
    }

  private:
    iconv_t handle_;
};

// Length of the UTF-8 sequence that starts with `lead`, 0 when it cannot
// start one.
size_t sequence_length(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// Whether `text` at `at` holds a whole, shortest-form UTF-8 sequence of
// `length` bytes (no surrogates, nothing above U+10FFFF).
bool valid_sequence(std::string_view text, size_t at, size_t length) {
    if (length == 0 || at + length > text.size()) return false;
    for (size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return false;
    const auto lead = static_cast<unsigned char>(text[at]);
    const auto second = static_cast<unsigned char>(length > 1 ? text[at + 1] : 0);
    if (lead == 0xE0 && second < 0xA0) return false;   // overlong
    if (lead == 0xED && second >= 0xA0) return false;  // surrogate
    if (lead == 0xF0 && second < 0x90) return false;   // overlong
    if (lead == 0xF4 && second >= 0x90) return false;  // above U+10FFFF
    return true;
}

}  // namespace

const char* code_page_name(uint8_t charset) {
    const int variant = charset_variant(charset);
    const bool east = variant == charsets::kEastVariant;
    const bool cyrillic = variant == charsets::kCyrillicVariant;
    switch (charset_class(charset)) {
        case charsets::kDosClass:
            return east ? "CP852" : cyrillic ? "CP866" : "CP850";
        case charsets::kMacClass:
            return east ? "MAC-CENTRALEUROPE" : cyrillic ? "MAC-CYRILLIC" : "MACINTOSH";
        default:
            return east ? "CP1250" : cyrillic ? "CP1251" : "CP1252";
    }
}

std::string to_utf8(std::string_view text, uint8_t charset) {
    if (!has_non_ascii(text)) return std::string(text);
    Converter converter("UTF-8", code_page_name(charset));
    if (!converter.ok()) return std::string(text);
    // The code pages hold one byte a character, so each byte above ASCII
    // converts on its own, and one the code page leaves undefined is marked.
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (size_t at = 0; at < text.size(); ++at) {
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            out.push_back(text[at]);
        } else if (!converter.convert(text.substr(at, 1), &out)) {
            out += "\xEF\xBF\xBD";
        }
    }
    return out;
}

std::optional<std::string> from_utf8(std::string_view text, uint8_t charset, bool transliterate,
                                     std::vector<Replacement>* replaced,
                                     ConversionProblem* problem) {
    Converter strict(code_page_name(charset), "UTF-8");
    const std::string translit_name = std::string(code_page_name(charset)) + "//TRANSLIT";
    std::unique_ptr<Converter> loose;
    std::string out;
    out.reserve(text.size());
    size_t line = 1, column = 1;
    for (size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        if (lead < 0x80) {
            out.push_back(static_cast<char>(lead));
            if (lead == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
            ++at;
            continue;
        }
        const size_t length = sequence_length(lead);
        if (!valid_sequence(text, at, length)) {
            *problem = {ConversionProblem::Kind::kNotUtf8, line, column, {}};
            return std::nullopt;
        }
        const std::string_view character = text.substr(at, length);
        std::string converted;
        if (!strict.ok() || !strict.convert(character, &converted)) {
            if (!transliterate) {
                *problem = {ConversionProblem::Kind::kNotInCodePage, line, column,
                            std::string(character)};
                return std::nullopt;
            }
            if (!loose) loose = std::make_unique<Converter>(translit_name.c_str(), "UTF-8");
            converted.clear();
            if (!loose->ok() || !loose->convert(character, &converted) || converted.empty())
                converted = "?";
            if (replaced) replaced->push_back({std::string(character), converted});
        }
        out += converted;
        at += length;
        ++column;
    }
    return out;
}

}  // namespace orvane::texts
