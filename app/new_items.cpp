#include "app/new_items.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <map>

#include "app/outgoing.h"
#include "cabinet/stored_text.h"
#include "packet/compose.h"
#include "platform/file.h"
#include "texts/code_pages.h"

namespace orvane::app {

using platform::MessageId;
using platform::Result;
using platform::Status;

namespace {

// Header items of the mail packet and the cabinet hold at most this many
// characters.
constexpr size_t kMaxHeaderItem = 1023;

size_t characters(std::string_view utf8) {
    size_t count = 0;
    for (char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

bool blank(std::string_view value) {
    return value.find_first_not_of(" \t") == std::string_view::npos;
}

// A value that becomes one header line: something in it, no control
// character (a line break would start a line of its own), not too long.
Status check_header_value(const std::string& field, std::string_view value, bool required) {
    if (required && blank(value)) return Status::message(MessageId::kIsMissing, {field});
    for (size_t i = 0; i < value.size(); ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        if (c < 0x20 || c == 0x7F)
            return Status::message(MessageId::kControlCharacter,
                                   {field, static_cast<int>(characters(value.substr(0, i)) + 1)});
    }
    if (characters(value) > kMaxHeaderItem)
        return Status::message(MessageId::kTooLong, {field, static_cast<int>(kMaxHeaderItem)});
    return Status();
}

// Line ends as the cabinet keeps them: LF alone.
std::string with_lf_line_ends(std::string_view body) {
    std::string out;
    out.reserve(body.size());
    for (size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '\r') {
            out.push_back('\n');
            if (i + 1 < body.size() && body[i + 1] == '\n') ++i;
        } else {
            out.push_back(body[i]);
        }
    }
    return out;
}

Status check_fields(const NewItem& item) {
    const bool text = item.kind == ItemKind::kLetter || item.kind == ItemKind::kConferenceText;
    if (text && item.to.empty())
        return Status::message(MessageId::kIsMissing,
                               {item.kind == ItemKind::kLetter ? "A receiver" : "The conference"});
    for (const std::string& name : item.to) {
        const char* field =
            item.kind == ItemKind::kConferenceText ? "The conference" : "A receiver";
        if (Status status = check_header_value(field, name, true); !status.ok()) return status;
    }
    for (const std::string& name : item.cc)
        if (Status status = check_header_value("A receiver", name, true); !status.ok())
            return status;
    if (Status status = check_header_value("The subject", item.subject, text); !status.ok())
        return status;
    if (item.kind == ItemKind::kCommand) {
        if (item.command_lines.empty())
            return Status::message(MessageId::kIsMissing, {"A command"});
        for (const std::string& line : item.command_lines)
            if (Status status = check_header_value("A command", line, true); !status.ok())
                return status;
    }
    if (item.body.find('\0') != std::string::npos)
        return Status::message(MessageId::kControlCharacter,
                               {"The text", static_cast<int>(item.body.find('\0') + 1)});
    return Status();
}

// The typed values in the code page of `charset`.
struct Converted {
    packet::Draft draft;
    std::vector<std::string> command_lines;
    std::vector<std::string> notes;  // "field: é→e" for what was transliterated
};

class FieldConverter {
  public:
    FieldConverter(uint8_t charset, bool transliterate)
        : charset_(charset), transliterate_(transliterate) {}

    // Converts `value` of `field`; the first failure is kept.
    std::string operator()(const std::string& field, std::string_view value) {
        if (!status_.ok()) return {};
        std::vector<texts::Replacement> replaced;
        texts::ConversionProblem problem;
        std::optional<std::string> converted =
            texts::from_utf8(value, charset_, transliterate_, &replaced, &problem);
        if (!converted) {
            const int line = static_cast<int>(problem.line);
            const int column = static_cast<int>(problem.column);
            status_ = problem.kind == texts::ConversionProblem::Kind::kNotUtf8
                          ? Status::message(MessageId::kNotUtf8, {field, line, column})
                          : Status::message(MessageId::kNotInCodePage,
                                            {field, "\"" + problem.character + "\"", line, column,
                                             texts::code_page_name(charset_)});
            return {};
        }
        if (!replaced.empty()) {
            std::string list;
            for (const texts::Replacement& r : replaced)
                list += (list.empty() ? "" : ", ") + r.typed + " -> " + r.replaced;
            notes_.push_back(Status::message(MessageId::kTransliterated, {field, list}));
        }
        return *converted;
    }
    std::vector<std::string> operator()(const std::string& field,
                                        const std::vector<std::string>& values) {
        std::vector<std::string> out;
        for (const std::string& value : values) out.push_back((*this)(field, value));
        return out;
    }
    const Status& status() const { return status_; }
    const std::vector<Status>& notes() const { return notes_; }

  private:
    uint8_t charset_;
    bool transliterate_;
    Status status_;
    std::vector<Status> notes_;
};

// An attached file: its absolute path, once it is known to be readable.
Result<std::string> attachment_path(const std::string& typed, const std::string& current_folder) {
    std::filesystem::path path(typed);
    if (path.is_relative()) path = std::filesystem::path(current_folder) / path;
    const std::string absolute = path.lexically_normal().string();
    struct stat st {};
    if (::stat(absolute.c_str(), &st) != 0)
        return Status::file(MessageId::kCannotReadFile, absolute, errno);
    if (!S_ISREG(st.st_mode)) return Status::file(MessageId::kCannotReadFile, absolute, EISDIR);
    platform::File file;
    if (int error = file.open(absolute, platform::Access::Read, platform::Share::ReadWrite,
                              platform::Disposition::OpenExisting))
        return Status::file(MessageId::kCannotReadFile, absolute, error);
    return absolute;
}

uint8_t user_charset(const settings::UserSettings& user) {
    return texts::make_charset(texts::charsets::kWindowsClass,
                               user.values.options.character_set & 7);
}

// Puts the names the address book found in place of the receivers as
// typed; gives the kind of each name written.
Result<std::map<std::string, uint8_t>> look_up_receivers(const NewItem& item,
                                                         packet::Draft& draft) {
    std::map<std::string, uint8_t> kinds;
    if (!item.look_up_receiver) return kinds;
    const bool conference_text = item.kind == ItemKind::kConferenceText;
    for (std::vector<std::string>* names : {&draft.to, &draft.cc}) {
        for (std::string& name : *names) {
            Result<Receiver> found =
                item.look_up_receiver(name, conference_text && names == &draft.to);
            if (!found.ok()) return found.take_status();
            name = found->name;
            kinds[name] = found->kind;
        }
    }
    return kinds;
}

texts::TextRecord compose(const NewItem& item, const Converted& converted,
                          const packet::Writer& writer, texts::TextId id, uint32_t now) {
    const bool letter = item.kind == ItemKind::kLetter;
    switch (item.kind) {
        case ItemKind::kLetter:
        case ItemKind::kConferenceText:
            return item.link_as_comment_to
                       ? packet::compose_linked_text(id, now, writer, converted.draft,
                                                     *item.link_as_comment_to, letter)
                       : packet::compose_text(id, now, writer, converted.draft, letter);
        case ItemKind::kAnswer:
        case ItemKind::kComment:
            return packet::compose_reply(id, now, writer, *item.original, converted.draft,
                                         item.kind == ItemKind::kComment);
        case ItemKind::kCommand:
            return packet::compose_command(id, now, writer, converted.command_lines);
    }
    return {};
}

}  // namespace

Result<texts::TextId> write_new_item(cabinet::Cabinet& cabinet, const settings::UserSettings& user,
                                     const NewItem& item, const std::string& current_folder,
                                     platform::Policy& policy, platform::Env& env) {
    if (Status status = check_fields(item); !status.ok()) return status;
    if (item.link_as_comment_to &&
        texts::node_key_of(item.link_as_comment_to->id) != user.values.user.node)
        return Status::message(MessageId::kLinkOtherNode,
                               {std::to_string(item.link_as_comment_to->id)});
    std::vector<std::string> attachments;
    for (const std::string& typed : item.attachments) {
        Result<std::string> path = attachment_path(typed, current_folder);
        if (!path.ok()) return path.take_status();
        attachments.push_back(*path);
    }

    // An answer or comment keeps the code page of the text it replies to
    // when that can hold everything typed; otherwise the user's own.
    std::vector<uint8_t> charsets;
    if (item.original && item.original->charset != 0) charsets.push_back(item.original->charset);
    charsets.push_back(user_charset(user));
    Converted converted;
    uint8_t charset = charsets.back();
    Status failed;
    for (size_t i = 0; i < charsets.size(); ++i) {
        const bool last = i + 1 == charsets.size();
        FieldConverter convert(charsets[i], last && item.transliterate);
        converted.draft.to = convert("A receiver", item.to);
        converted.draft.cc = convert("A receiver", item.cc);
        converted.draft.subject = convert("The subject", item.subject);
        converted.draft.body = convert("The text", with_lf_line_ends(item.body));
        converted.command_lines = convert("A command", item.command_lines);
        if (convert.status().ok()) {
            charset = charsets[i];
            for (const Status& note : convert.notes()) policy.notice(note);
            failed = Status();
            break;
        }
        failed = convert.status();
    }
    if (!failed.ok()) return failed;
    converted.draft.attachments = attachments;
    Result<std::map<std::string, uint8_t>> kinds = look_up_receivers(item, converted.draft);
    if (!kinds.ok()) return kinds.take_status();

    packet::Writer writer = writer_for(user);
    writer.charset_class = texts::charset_class(charset);
    writer.charset_variant = texts::charset_variant(charset);
    const auto now = static_cast<uint32_t>(env.now_utc());
    return store_new_item(cabinet, [&](texts::TextId id) -> Result<texts::TextRecord> {
        texts::TextRecord text = compose(item, converted, writer, id, now);
        for (texts::ReceiverEntry& receiver : text.receivers) {
            auto kind = kinds->find(receiver.name.text);
            if (receiver.previous_code != texts::HeaderCode::kFrom || kind == kinds->end())
                continue;
            receiver.name.kind = receiver.name_type = kind->second;
        }
        if (const size_t size = cabinet::stored_text_size(text); size > cabinet::kMaxStoredText)
            return Status::message(
                MessageId::kTextTooLong,
                {static_cast<int>(size), static_cast<int>(cabinet::kMaxStoredText)});
        return text;
    });
}

Result<std::string> typed_in_code_page(const std::string& field, std::string_view value,
                                       uint8_t charset, bool transliterate,
                                       platform::Policy& policy) {
    FieldConverter convert(charset, transliterate);
    std::string converted = convert(field, value);
    if (!convert.status().ok()) return convert.status();
    for (const Status& note : convert.notes()) policy.notice(note);
    return converted;
}

}  // namespace orvane::app
