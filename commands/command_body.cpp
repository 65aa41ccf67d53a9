#include "commands/command_body.h"

#include <algorithm>

#include "commands/field_values.h"
#include "platform/resource_strings.h"

namespace orvane::commands {

using platform::MessageId;
using platform::Result;
using platform::Status;

namespace {

constexpr size_t kSubjectField = kMaxSubject - 1;

std::vector<std::string_view> split_lines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

std::string_view trimmed(std::string_view line) {
    while (!line.empty() && static_cast<unsigned char>(line.front()) <= ' ') line.remove_prefix(1);
    while (!line.empty() && static_cast<unsigned char>(line.back()) <= ' ') line.remove_suffix(1);
    return line;
}

// At most `limit` characters, cut at the last blank when longer.
std::string cut_at_blank(std::string_view text, size_t limit) {
    if (text.size() <= limit) return std::string(text);
    std::string_view head = text.substr(0, limit);
    size_t blank = head.find_last_of(' ');
    if (blank != std::string_view::npos && blank > 0) head = head.substr(0, blank);
    return std::string(trimmed(head));
}

}  // namespace

std::string CommandBody::text() const {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

UploadFile parse_upload(std::string_view rest) {
    UploadFile upload;
    rest = trimmed(rest);
    size_t end;
    if (!rest.empty() && rest.front() == '"') {
        end = rest.find('"', 1);
        upload.path =
            std::string(rest.substr(1, end == std::string_view::npos ? rest.npos : end - 1));
        end = end == std::string_view::npos ? rest.size() : end + 1;
    } else {
        end = std::min(rest.find(' '), rest.size());
        upload.path = std::string(rest.substr(0, end));
    }
    upload.remainder = std::string(trimmed(rest.substr(end)));
    return upload;
}

Result<CommandBody> build_command_body(std::string_view command_text,
                                       std::string_view following_text, std::string_view prefix,
                                       const ServerFileName& server_file_name) {
    CommandBody body;
    bool text_follows = false;
    for (std::string_view raw : split_lines(command_text)) {
        std::string_view line = trimmed(raw);
        if (line.empty()) continue;
        if (line.front() == '.') {
            text_follows = true;
            break;
        }
        if (line.front() == '@') line = trimmed(line.substr(1));
        if (line.empty()) continue;
        std::string command(prefix);
        if (line.front() == '+') {
            UploadFile upload = parse_upload(line.substr(1));
            command += "+" + (server_file_name ? server_file_name(upload.path)
                                               : file_name_of(upload.path));
            if (!upload.remainder.empty()) command += " " + upload.remainder;
            body.uploads.push_back(std::move(upload));
        } else {
            command += line;
        }
        body.lines.push_back(std::move(command));
    }
    if (body.lines.empty()) return Status::message(MessageId::kCommandIncomplete);
    if (text_follows && !following_text.empty()) {
        std::vector<std::string_view> text = split_lines(following_text);
        // A final line end is no empty line of its own.
        if (!text.empty() && text.back().empty()) text.pop_back();
        for (std::string_view line : text) {
            while (!line.empty() && static_cast<unsigned char>(line.back()) <= ' ')
                line.remove_suffix(1);
            body.lines.push_back((line.starts_with("@") ? "@" : "") + std::string(line));
        }
    }
    if (body.text().size() > kMaxCommandBody)
        return Status::message(MessageId::kCommandTooLong, {static_cast<int>(kMaxCommandBody)});
    return body;
}

std::string command_subject(std::string_view command_text, bool scheduled) {
    std::string subject;
    std::vector<std::string_view> lines = split_lines(command_text);
    for (std::string_view raw : lines) {
        std::string_view line = trimmed(raw);
        if (line.starts_with("@")) line = trimmed(line.substr(1));
        if (line.starts_with("+")) {
            subject = platform::resource_string(MessageId::kUploadSubject) +
                      file_name_of(parse_upload(line.substr(1)).path);
            break;
        }
    }
    if (subject.empty()) {
        auto first = std::find_if(lines.begin(), lines.end(),
                                  [](std::string_view line) { return !trimmed(line).empty(); });
        if (first != lines.end()) subject = std::string(trimmed(*first));
    }
    subject = cut_at_blank(subject, kSubjectField);
    if (!scheduled) return subject;
    return cut_at_blank(platform::resource_string(MessageId::kSchedulePrefix) + subject,
                        kMaxSubject);
}

bool body_contains(std::string_view existing, const CommandBody& body) {
    std::vector<std::string_view> lines = split_lines(existing);
    if (body.lines.empty() || body.lines.size() > lines.size()) return false;
    for (size_t start = 0; start + body.lines.size() <= lines.size(); ++start) {
        bool all = true;
        for (size_t i = 0; all && i < body.lines.size(); ++i)
            all = lines[start + i] == body.lines[i];
        if (all) return true;
    }
    return false;
}

}  // namespace orvane::commands
