// printf-style formatting of message texts whose format comes from a table at
// run time. Each conversion takes its argument by the conversion's own type,
// so a format that does not match its arguments gives a wrong text, never
// undefined behaviour. Supported: %d %i %u %x %X %c %s %% with flags "-0 +",
// width and precision.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace orvane::platform {

class FormatArg {
  public:
    FormatArg(int value) : value_(static_cast<long long>(value)) {}
    FormatArg(long value) : value_(static_cast<long long>(value)) {}
    FormatArg(long long value) : value_(value) {}
    FormatArg(unsigned value) : value_(static_cast<long long>(value)) {}
    FormatArg(unsigned long value) : value_(static_cast<long long>(value)) {}
    FormatArg(unsigned long long value) : value_(static_cast<long long>(value)) {}
    FormatArg(char value) : value_(static_cast<long long>(static_cast<unsigned char>(value))) {}
    FormatArg(const char* value) : value_(std::string(value ? value : "")) {}
    FormatArg(std::string_view value) : value_(std::string(value)) {}
    FormatArg(const std::string& value) : value_(value) {}

    long long as_integer() const;
    std::string as_text() const;

  private:
    std::variant<long long, std::string> value_;
};

std::string format_message(std::string_view format, std::span<const FormatArg> args);
inline std::string format_message(std::string_view format, std::initializer_list<FormatArg> args) {
    return format_message(format, std::span<const FormatArg>(args.begin(), args.size()));
}

}  // namespace orvane::platform
