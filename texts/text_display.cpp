#include "texts/text_display.h"

#include <array>

#include "texts/ascii.h"

namespace orvane::texts {

namespace {

// Plain-text header values start in this column (1-based).
constexpr size_t kValueColumn = 11;

std::string_view kind_word(const TextRecord& text) {
    switch (text_kind(text.kind_flags)) {
        case TextKind::kAnswer:
            return "Answer";
        case TextKind::kComment:
            return "Comment";
        case TextKind::kNewText:
            return "New Text";
        case TextKind::kText:
            break;
    }
    return text.kind_flags & kind_flags::kLetter ? "Letter" : "Text";
}

// "U", "I3", "P200" as the import reads them in braces.
std::string flag_group(const TextRecord& text) {
    std::string flags;
    if (text.kind_flags & kind_flags::kUnsent) flags += 'U';
    if (text.importance != 0) flags += 'I' + std::to_string(text.importance);
    if (text.priority != 0) flags += 'P' + std::to_string(text.priority);
    return flags;
}

// `label` with the value after a tab, or in plain text from column 11.
std::string labelled_line(std::string line, std::string_view value, bool plain_text) {
    if (value.empty()) return line;
    if (plain_text) {
        // At least one blank, also after a label that reaches the column.
        line.append(line.size() + 1 < kValueColumn ? kValueColumn - 1 - line.size() : 1, ' ');
    } else {
        line += '\t';
    }
    line += value;
    return line;
}

std::string receiver_value(const ReceiverEntry& receiver, const DisplayContext& context) {
    std::string value = receiver.name.text;
    if (receiver.number != 0) value += " [" + std::to_string(receiver.number) + "]";
    if (receiver.date != 0) {
        const DateFormatOptions dates{context.time_display, context.plain_text};
        value += "  (" + std::string(date_kind_word(receiver.date_kind)) + " " +
                 format_date(receiver.date, DateRequest::as_chosen, dates) + ")";
    }
    if (!receiver.sender.empty()) value += "  (sender: " + receiver.sender + ")";
    return value;
}

std::string receiver_line(const ReceiverEntry& receiver, const DisplayContext& context) {
    // A receiver of the whole thread reads "To:thread" and the value.
    std::string label =
        std::string(written_header_name(receiver.code)) + (receiver.thread ? ":thread" : ":");
    return labelled_line(std::move(label), receiver_value(receiver, context), context.plain_text);
}

std::string link_line(const TextLink& link, const DisplayContext& context) {
    std::string value = "Text " + format_text_id(link.id, context.context_node, context.nodes);
    if (!link.author.empty()) value += " " + link.author;
    return header_line(written_header_name(link.code), value, context.plain_text);
}

}  // namespace

std::string heading_line(const TextRecord& text, const DisplayContext& context) {
    std::string line;
    if (text.kind_flags & kind_flags::kUnsent) line = "Unsent ";
    if (node_key_of(text.id) != 0) {
        line += text.kind_flags & kind_flags::kLetter ? "Letter " : "Text ";
        line += format_text_id(text.id, context.context_node, context.nodes);
    } else {
        line += std::string(kind_word(text)) + " " + std::to_string(text.id);
    }
    if (const uint16_t lines = text.line_count(); lines != 0) {
        line += " (" + std::to_string(lines) + (lines == 1 ? " line)" : " lines)");
    }
    if (!context.plain_text) return line;
    if (text.charset != 0) {
        line += " [";
        line += charsets::kClassLetters[static_cast<size_t>(charset_class(text.charset))];
        line += std::to_string(charset_variant(text.charset)) + "]";
    }
    if (const std::string flags = flag_group(text); !flags.empty()) line += " {" + flags + "}";
    return line;
}

std::string header_line(std::string_view label, std::string_view value, bool plain_text) {
    return labelled_line(std::string(label) + ":", value, plain_text);
}

std::vector<std::string> header_lines(const TextRecord& text, const DisplayContext& context) {
    std::vector<std::string> lines;
    const bool plain = context.plain_text;
    if (!text.author.empty()) lines.push_back(header_line("From", text.author.text, plain));
    if (!text.by.empty())
        lines.push_back(header_line(text.via ? "Via" : "By", text.by.text, plain));
    for (const ReceiverEntry& receiver : text.receivers)
        lines.push_back(receiver_line(receiver, context));
    if (text.date != 0) {
        const DateFormatOptions dates{context.time_display, plain};
        lines.push_back(
            header_line("Date", format_date(text.date, DateRequest::as_chosen, dates), plain));
    }
    for (const TextLink& link : text.links) lines.push_back(link_line(link, context));
    for (const TextField& field : text.fields) {
        const std::string_view name = written_header_name(field.code);
        if (!name.empty()) lines.push_back(header_line(name, field.value, plain));
    }
    if (!text.subject.empty()) lines.push_back(header_line("Subject", text.subject, plain));
    return lines;
}

std::string_view shown_subject(std::string_view subject, bool remove_re) {
    if (!remove_re) return subject;
    static constexpr std::array<std::string_view, 3> kPrefixes = {"Re:", "Fw:", "Fwd:"};
    for (bool removed = true; removed;) {
        removed = false;
        for (std::string_view prefix : kPrefixes) {
            if (!starts_with_ignoring_case(subject, prefix)) continue;
            subject.remove_prefix(prefix.size());
            if (!subject.empty() && static_cast<unsigned char>(subject.front()) < 33)
                subject.remove_prefix(1);
            removed = true;
        }
    }
    return subject;
}

}  // namespace orvane::texts
