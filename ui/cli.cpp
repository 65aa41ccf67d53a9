#include "ui/cli.h"

#include <cstdio>

#include "platform/directories.h"
#include "platform/file.h"

namespace orvane::ui {

bool CliContext::program_directory(std::string* path) {
    int error = 0;
    if (!home.empty()) {
        *path = home;
        error = platform::make_directories(home);
    } else {
        error = platform::program_directory(path);
    }
    if (error) {
        print_error("cannot create the program directory '" + *path +
                    "': " + platform::file_error_text(error));
        return false;
    }
    return true;
}

void print_error(const std::string& message) {
    std::fprintf(stderr, "orvane: %s\n", message.c_str());
}

bool succeeded(const platform::Status& status) {
    if (!status.ok() && !status.is_cancelled()) print_error(status.text());
    return status.ok();
}

std::string json_quote(std::string_view text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                    out += buffer;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

}  // namespace orvane::ui
