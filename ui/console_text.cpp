#include "ui/console_text.h"

#include <iconv.h>

#include <cerrno>

#include "texts/text_record.h"

namespace orvane::ui {

namespace {

// DOS code pages for class D, Windows code pages for every other class.
const char* code_page(uint8_t charset) {
    const int variant = texts::charset_variant(charset);
    if (texts::charset_class(charset) == texts::charsets::kDosClass) {
        if (variant == texts::charsets::kEastVariant) return "CP852";
        if (variant == texts::charsets::kCyrillicVariant) return "CP866";
        return "CP850";
    }
    if (variant == texts::charsets::kEastVariant) return "CP1250";
    if (variant == texts::charsets::kCyrillicVariant) return "CP1251";
    return "CP1252";
}

}  // namespace

std::string to_utf8(std::string_view text, uint8_t charset) {
    if (!texts::has_non_ascii(text)) return std::string(text);
    iconv_t converter = iconv_open("UTF-8", code_page(charset));
    if (converter == reinterpret_cast<iconv_t>(-1)) return std::string(text);
    std::string out;
    char buffer[1024];
    auto* in = const_cast<char*>(text.data());
    size_t in_left = text.size();
    while (in_left > 0) {
        char* to = buffer;
        size_t to_left = sizeof buffer;
        const size_t result = iconv(converter, &in, &in_left, &to, &to_left);
        out.append(buffer, static_cast<size_t>(to - buffer));
        if (result == static_cast<size_t>(-1) && errno != E2BIG) {
            // A byte the code page does not define.
            out.push_back('?');
            ++in;
            --in_left;
        }
    }
    iconv_close(converter);
    return out;
}

}  // namespace orvane::ui
