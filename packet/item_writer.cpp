#include "packet/item_writer.h"

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <vector>

#include "packet/body_lines.h"
#include "packet/dos_time.h"
#include "packet/file_embedding.h"
#include "packet/file_names.h"
#include "platform/file.h"

namespace orvane::packet {

using texts::HeaderCode;
using texts::TextKind;
using texts::TextRecord;

namespace {

// Receivers are always written in this order of their codes.
constexpr HeaderCode kReceiverOrder[] = {HeaderCode::kTo,  HeaderCode::kCc,  HeaderCode::kScc,
                                         HeaderCode::kBcc, HeaderCode::kNcc, HeaderCode::kSubtract};

constexpr std::string_view kEcho = "@echo Orvane: ";

std::string last_component(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

const texts::TextLink* reference_of(const TextRecord& item) {
    for (const auto& link : item.links) {
        if (link.code == HeaderCode::kReference) return &link;
    }
    return nullptr;
}

// A value for a directive line: the server reads one line, so a line break
// (or any control character) from a stored text must never start a line of
// its own, where it could be read as a directive.
std::string one_line(std::string_view value) {
    std::string line(value);
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return line;
}

// A receiver's name split into the address and the display name: "Name
// <address>" gives both, anything else is an address alone.
void split_receiver(const std::string& name, std::string* address, std::string* display) {
    size_t open = name.find('<');
    size_t close = name.find('>', open == std::string::npos ? 0 : open);
    if (open != std::string::npos && close != std::string::npos) {
        *address = name.substr(open + 1, close - open - 1);
        std::string before = name.substr(0, open);
        while (!before.empty() && before.back() == ' ') before.pop_back();
        *display = before;
    } else {
        *address = name;
        display->clear();
    }
}

}  // namespace

bool is_command(const TextRecord& item) {
    return texts::text_kind(item.kind_flags) == TextKind::kNewText && item.receivers.empty();
}

std::string server_text_id(texts::TextId id, texts::NodeKey home_node) {
    texts::NodeKey key = texts::node_key_of(id);
    std::string number = std::to_string(texts::number_of(id));
    return key && key != home_node ? std::string(1, static_cast<char>(key)) + number : number;
}

AttachValue split_attach_value(const std::string& value) {
    AttachValue result;
    if (!value.empty() && value.front() == '"') {
        size_t close = value.find('"', 1);
        result.path = value.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        if (close != std::string::npos && close + 1 < value.size())
            result.rest = value.substr(close + 2);
    } else {
        size_t blank = value.find(' ');
        result.path = value.substr(0, blank);
        if (blank != std::string::npos) result.rest = value.substr(blank + 1);
    }
    return result;
}

bool ItemWriter::embed_attachments(const TextRecord& item) {
    embedded_.clear();
    for (const auto& field : item.fields) {
        if (field.code != HeaderCode::kAttach) continue;
        AttachValue attach = split_attach_value(field.value);
        std::string contents;
        std::time_t modified = 0;
        int error = platform::read_whole_file(attach.path, &contents, env_);
        if (!error) error = platform::file_modification_time(attach.path, &modified);
        if (error) {
            const bool missing = error == ENOENT || error == ENOTDIR;
            platform::Question question{missing ? platform::MessageId::kAttachmentMissing
                                                : platform::MessageId::kAttachmentUnreadable,
                                        {attach.path},
                                        platform::Buttons::YesNo,
                                        platform::Answer::No};
            if (!missing) question.args.emplace_back(platform::file_error_text(error));
            if (policy_.decide(question) != platform::Answer::Yes) return false;
            continue;  // left out: no block and no "@atta" line
        }
        DosDateTime stamp = dos_date_time(modified);
        std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(contents.data()),
                                       contents.size());
        write_file_block(file_, announced_file_name(attach.path),
                         static_cast<uint32_t>(stamp.date) << 16 | stamp.time, attach.rest, bytes);
        embedded_.insert(attach.path);
    }
    return true;
}

ItemResult ItemWriter::write(const TextRecord& item) {
    texts::NodeKey key = texts::node_key_of(item.id);
    // A text on another node is not sent, so neither are its files.
    if (key && key != home_node_ && !is_command(item)) return ItemResult::kOtherNode;
    if (!embed_attachments(item)) return ItemResult::kAborted;
    std::string person_digit;
    if (people_.secretary && item.person != 0)
        person_digit = std::string(1, static_cast<char>('0' + item.person % 10));

    if (is_command(item)) {
        write_command(item);
        return ItemResult::kWritten;
    }
    if (key) {
        return write_changes(item, person_digit) ? ItemResult::kWritten
                                                 : ItemResult::kNothingToSend;
    }
    bool has_attachment =
        std::any_of(item.fields.begin(), item.fields.end(), [](const texts::TextField& f) {
            return f.code == HeaderCode::kAttach || f.code == HeaderCode::kAttachRenamed;
        });
    if (item.subject.empty() && item.body.empty() && !has_attachment)
        return ItemResult::kNothingToSend;
    write_new_text(item, person_digit);
    return ItemResult::kWritten;
}

void ItemWriter::write_command(const TextRecord& item) {
    std::string number = std::to_string(texts::number_of(item.id));
    file_.line(std::string(kEcho) + "C#" + number);
    for (const std::string& line : body_lines(item.body, BodyRules::kCommand, 0)) file_.line(line);
    file_.line(std::string(kEcho) + "E#" + number);
}

void ItemWriter::write_charset(uint8_t charset) {
    if (charset == 0 || charset == last_charset_) return;
    last_charset_ = charset;
    std::string line =
        texts::charset_class(charset) == texts::charsets::kDosClass ? "@char dos" : "@char win";
    switch (charset & 0x07) {
        case texts::charsets::kWestVariant:
            line += " west";
            break;
        case texts::charsets::kEastVariant:
            line += " east";
            break;
        case texts::charsets::kCyrillicVariant:
            line += " cyr";
            break;
        default:
            break;
    }
    file_.line(line);
}

void ItemWriter::write_sender(const TextRecord& item) {
    if (item.author.empty()) return;
    namespace opt = texts::outgoing_options;
    const char* directive = nullptr;
    size_t person = item.author_code >> 14;
    if (people_.secretary && !item.for_person.empty() &&
        !(item.outgoing_options & opt::kNoForPerson)) {
        directive = "pfor";
    } else if ((person != 0 || item.outgoing_options & opt::kShowSender) &&
               person < people_.names.size() && !people_.names[person].empty()) {
        directive = item.outgoing_options & opt::kSecretarySender ? "sfro" : "from";
    } else if (item.outgoing_options & opt::kSecretarySender) {
        directive = "sfro";
    }
    if (directive) file_.line(std::string("@") + directive + " " + one_line(item.author.text));
}

void ItemWriter::write_attachment_lines(const TextRecord& item, const std::string& number_prefix) {
    for (const auto& field : item.fields) {
        if (field.code == HeaderCode::kAttach) {
            AttachValue attach = split_attach_value(field.value);
            if (embedded_.count(attach.path))
                file_.line("@atta " + number_prefix + one_line(announced_file_name(attach.path)));
        } else if (field.code == HeaderCode::kAttachRenamed) {
            AttachValue attach = split_attach_value(field.value);
            file_.line("@atta " + number_prefix + one_line(last_component(attach.path)) + " " +
                       one_line(attach.rest));
        }
    }
}

void ItemWriter::write_new_text(const TextRecord& item, const std::string& person_digit) {
    write_charset(item.charset);
    file_.line(std::string(kEcho) + "T#" + std::to_string(texts::number_of(item.id)));
    write_sender(item);

    TextKind kind = texts::text_kind(item.kind_flags);
    const texts::TextLink* reference = reference_of(item);
    std::string digit = person_digit;
    bool reference_written = false;
    if ((kind == TextKind::kAnswer || kind == TextKind::kComment) && reference) {
        file_.line(std::string(kind == TextKind::kAnswer ? "@answ" : "@comm") + digit + " " +
                   server_text_id(reference->id, home_node_));
        digit.clear();  // only the first directive carries the person
        reference_written = true;
    }
    for (HeaderCode code : kReceiverOrder) {
        for (const auto& receiver : item.receivers) {
            if (receiver.code != code) continue;
            if (reference_written && receiver.previous_code != HeaderCode::kFrom)
                continue;  // taken over
            if (code == HeaderCode::kSubtract) {
                file_.line("@subr " + one_line(receiver.name.text));
            } else {
                file_.line("@" + std::string(texts::written_header_name(code)) + digit + " " +
                           one_line(receiver.name.text));
            }
        }
    }
    write_attachment_lines(item, "");
    bool answer_or_comment = kind == TextKind::kAnswer || kind == TextKind::kComment;
    if (answer_or_comment ? (item.kind_flags & texts::kind_flags::kSubjectChanged) != 0
                          : !item.subject.empty()) {
        file_.line("@subj " + one_line(item.subject));
    }
    for (const std::string& line : body_lines(item.body, BodyRules::kText, item.width))
        file_.line(line);
    if (item.kind_flags & texts::kind_flags::kSecret) file_.line("@cha type text secr");
    if (kind == TextKind::kNewText &&
        (item.outgoing_options & texts::outgoing_options::kAddAsComment) && reference &&
        texts::node_key_of(reference->id) == home_node_) {
        file_.line("@add comm " + std::to_string(texts::number_of(reference->id)));
    }
}

bool ItemWriter::write_changes(const TextRecord& item, const std::string& person_digit) {
    std::string number = std::to_string(texts::number_of(item.id));
    bool started = false, tree = false;
    auto start = [&] {
        if (!started) file_.line(std::string(kEcho) + "M#");
        started = true;
    };
    for (HeaderCode code : kReceiverOrder) {
        for (const auto& receiver : item.receivers) {
            if (receiver.code != code || receiver.previous_code == code) continue;
            start();
            if (code == HeaderCode::kSubtract) {
                file_.line("@subr " + number + " " + one_line(receiver.name.text));
            } else if (receiver.thread) {
                std::string address, display;
                split_receiver(receiver.name.text, &address, &display);
                std::string name =
                    code == HeaderCode::kTo ? "rec" : std::string(texts::written_header_name(code));
                file_.line("@add " + name + " tree " + number + " " + one_line(address) +
                           (!address.empty() && !display.empty() ? " " : "") + one_line(display));
                tree = true;
            } else {
                file_.line("@" + std::string(texts::written_header_name(code)) + person_digit +
                           " " + number + " " + one_line(receiver.name.text));
            }
        }
    }
    bool has_attachment =
        std::any_of(item.fields.begin(), item.fields.end(), [this](const texts::TextField& f) {
            return (f.code == HeaderCode::kAttach &&
                    embedded_.count(split_attach_value(f.value).path)) ||
                   f.code == HeaderCode::kAttachRenamed;
        });
    if (has_attachment) {
        start();
        write_attachment_lines(item, number + " ");
    }
    if (!started) return false;
    file_.line("@review " + std::string(tree ? "tree " : "") + number + " no text");
    file_.line(std::string(kEcho) + "R#");
    return true;
}

}  // namespace orvane::packet
