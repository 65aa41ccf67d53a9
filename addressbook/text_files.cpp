#include "addressbook/text_files.h"

#include "platform/file.h"

namespace orvane::addressbook {

platform::Status append_text(const std::string& path, std::string_view text, platform::Env& env,
                             const AppendMode& mode) {
    auto failed = [&](int error) {
        return platform::Status::file(platform::MessageId::kCannotWriteFile, path, error);
    };
    platform::File file(env);
    if (int error = file.open(path, platform::Access::ReadWrite, platform::Share::None,
                              platform::Disposition::OpenAlways))
        return failed(error);
    uint64_t size = 0;
    if (int error = file.size(&size)) return failed(error);
    std::string bytes;
    if (size == 0) {
        bytes.append(mode.first_line);
    } else if (mode.new_line_first) {
        char last = 0;
        if (int error = file.read_at(size - 1, &last, 1)) return failed(error);
        if (last != '\n') bytes.push_back('\n');
    }
    bytes.append(text);
    if (int error = file.write_at(size, bytes.data(), bytes.size())) return failed(error);
    if (int error = file.flush()) return failed(error);
    return {};
}

}  // namespace orvane::addressbook
