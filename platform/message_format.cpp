#include "platform/message_format.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

namespace orvane::platform {

namespace {
constexpr int kMaxWidth = 255;
}  // namespace

long long FormatArg::as_integer() const {
    if (const auto* number = std::get_if<long long>(&value_)) return *number;
    return 0;
}

std::string FormatArg::as_text() const {
    if (const auto* text = std::get_if<std::string>(&value_)) return *text;
    return std::to_string(std::get<long long>(value_));
}

std::string format_message(std::string_view format, std::span<const FormatArg> args) {
    std::vector<const FormatArg*> list;
    for (const FormatArg& arg : args) list.push_back(&arg);
    size_t next = 0;
    auto take = [&]() -> const FormatArg* { return next < list.size() ? list[next++] : nullptr; };

    std::string out;
    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%') {
            out += c;
            continue;
        }
        // Collect the conversion: flags, width, precision, length modifiers.
        std::string spec = "%";
        size_t j = i + 1;
        while (j < format.size() &&
               std::string_view("-0 +#").find(format[j]) != std::string_view::npos)
            spec += format[j++];
        auto number = [&]() {
            // Widths and precisions are capped, so one conversion stays small.
            int value = 0;
            while (j < format.size() && std::isdigit(static_cast<unsigned char>(format[j]))) {
                value = std::min(value * 10 + (format[j++] - '0'), kMaxWidth);
            }
            return std::to_string(value);
        };
        if (j < format.size() && std::isdigit(static_cast<unsigned char>(format[j])))
            spec += number();
        if (j < format.size() && format[j] == '.') {
            ++j;
            spec += "." + number();
        }
        while (j < format.size() && (format[j] == 'l' || format[j] == 'h')) ++j;
        if (j >= format.size()) {
            out.append(format.substr(i));
            break;
        }
        char conversion = format[j];
        char buffer[kMaxWidth + 32];
        const FormatArg* arg = nullptr;
        switch (conversion) {
            case '%':
                out += '%';
                break;
            case 'd':
            case 'i':
                arg = take();
                std::snprintf(buffer, sizeof buffer, (spec + "lld").c_str(),
                              arg ? arg->as_integer() : 0LL);
                out += buffer;
                break;
            case 'u':
            case 'x':
            case 'X': {
                arg = take();
                unsigned long long value =
                    arg ? static_cast<unsigned long long>(arg->as_integer()) : 0ULL;
                // Values are 32-bit in the messages unless they do not fit.
                if (value >> 32 == 0xFFFFFFFFu) value &= 0xFFFFFFFFu;
                std::snprintf(buffer, sizeof buffer, (spec + "ll" + conversion).c_str(), value);
                out += buffer;
                break;
            }
            case 'c':
                arg = take();
                std::snprintf(buffer, sizeof buffer, (spec + "c").c_str(),
                              static_cast<int>(arg ? arg->as_integer() & 0xFF : '?'));
                out += buffer;
                break;
            case 's': {
                arg = take();
                std::string text = arg ? arg->as_text() : std::string();
                int needed = std::snprintf(nullptr, 0, (spec + "s").c_str(), text.c_str());
                std::string piece(static_cast<size_t>(needed > 0 ? needed : 0), '\0');
                std::snprintf(piece.data(), piece.size() + 1, (spec + "s").c_str(), text.c_str());
                out += piece;
                break;
            }
            default:
                // Unknown conversion: keep it as written.
                out.append(format.substr(i, j - i + 1));
                break;
        }
        i = j;
    }
    return out;
}

}  // namespace orvane::platform
