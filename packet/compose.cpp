#include "packet/compose.h"

namespace orvane::packet {

using texts::HeaderCode;
using texts::TextKind;
using texts::TextRecord;

namespace {

texts::ReceiverEntry new_receiver(HeaderCode code, const std::string& name) {
    texts::ReceiverEntry receiver;
    receiver.code = code;
    receiver.name.text = name;
    return receiver;
}

TextRecord start(texts::TextId local_id, uint32_t now, const Writer& writer, const Draft& draft,
                 TextKind kind) {
    TextRecord text = texts::new_local_text(local_id, now, writer.author, writer.look);
    text.kind_flags = texts::with_text_kind(text.kind_flags, kind);
    text.subject = draft.subject;
    text.body = draft.body;
    if (!text.body.empty() && text.body.back() != '\n') text.body += '\n';
    for (const auto& name : draft.to) text.receivers.push_back(new_receiver(HeaderCode::kTo, name));
    for (const auto& name : draft.cc) text.receivers.push_back(new_receiver(HeaderCode::kCc, name));
    for (const auto& path : draft.attachments)
        text.add_field(HeaderCode::kAttach, attach_value(path));
    text.width = texts::text_width(text.body, writer.look.right_margin);
    text.update_charset(writer.charset_class, writer.charset_variant);
    return text;
}

}  // namespace

std::string attach_value(const std::string& path) {
    return path.find(' ') == std::string::npos ? path : "\"" + path + "\"";
}

TextRecord compose_text(texts::TextId local_id, uint32_t now, const Writer& writer,
                        const Draft& draft, bool letter) {
    TextRecord text = start(local_id, now, writer, draft, TextKind::kText);
    if (letter) text.kind_flags |= texts::kind_flags::kLetter;
    return text;
}

TextRecord compose_reply(texts::TextId local_id, uint32_t now, const Writer& writer,
                         const TextRecord& original, const Draft& draft, bool comment) {
    Draft own = draft;
    own.to.clear();
    own.cc.clear();
    if (own.subject.empty()) own.subject = original.subject;
    TextRecord text =
        start(local_id, now, writer, own, comment ? TextKind::kComment : TextKind::kAnswer);
    if (!draft.subject.empty() && draft.subject != original.subject) {
        text.kind_flags |= texts::kind_flags::kSubjectChanged;
    }
    if (original.kind_flags & texts::kind_flags::kLetter)
        text.kind_flags |= texts::kind_flags::kLetter;
    text.links.push_back({original.id, HeaderCode::kReference, original.author.text});

    // Taken over: the server sends the reply there itself, so the packet
    // leaves these out; they are kept to show where the reply goes.
    auto taken_over = [](texts::ReceiverEntry receiver) {
        receiver.previous_code = receiver.code;
        receiver.date = 0;
        receiver.number = 0;
        receiver.sender.clear();
        return receiver;
    };
    if (comment) {
        for (const auto& receiver : original.receivers) {
            if (receiver.code != HeaderCode::kSubtract)
                text.receivers.push_back(taken_over(receiver));
        }
    } else if (!original.author.empty()) {
        texts::ReceiverEntry author = new_receiver(HeaderCode::kTo, original.author.text);
        author.name = original.author;
        text.receivers.push_back(taken_over(author));
    }
    for (const auto& name : draft.to) text.receivers.push_back(new_receiver(HeaderCode::kTo, name));
    for (const auto& name : draft.cc) text.receivers.push_back(new_receiver(HeaderCode::kCc, name));
    return text;
}

TextRecord compose_linked_text(texts::TextId local_id, uint32_t now, const Writer& writer,
                               const Draft& draft, const TextRecord& stored, bool letter) {
    TextRecord text = start(local_id, now, writer, draft, TextKind::kNewText);
    if (letter) text.kind_flags |= texts::kind_flags::kLetter;
    text.outgoing_options |= texts::outgoing_options::kAddAsComment;
    text.links.push_back({stored.id, HeaderCode::kReference, stored.author.text});
    return text;
}

TextRecord compose_command(texts::TextId local_id, uint32_t now, const Writer& writer,
                           const std::vector<std::string>& lines) {
    Draft draft;
    for (const auto& line : lines) draft.body += line + "\n";
    TextRecord text = start(local_id, now, writer, draft, TextKind::kNewText);
    return text;
}

}  // namespace orvane::packet
