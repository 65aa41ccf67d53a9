#include "ui/text_json.h"

#include <cstdio>

#include "texts/code_pages.h"
#include "texts/dates.h"
#include "ui/cli.h"

namespace orvane::ui {

namespace {

// Builds one JSON object member by member.
class JsonObject {
  public:
    JsonObject& raw(const char* name, const std::string& value) {
        out_ += (out_.size() > 1 ? ", \"" : "\"") + std::string(name) + "\": " + value;
        return *this;
    }
    JsonObject& text(const char* name, std::string_view value) {
        return raw(name, json_quote(value));
    }
    JsonObject& number(const char* name, uint64_t value) {
        return raw(name, std::to_string(value));
    }
    std::string done() { return out_ + "}"; }

  private:
    std::string out_ = "{";
};

std::string json_list(const std::vector<std::string>& items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + items[i];
    return out + "]";
}

std::string date_json(uint32_t stored, CabinetAccess& access) {
    return JsonObject()
        .number("value", stored)
        .text("text", texts::format_date(stored, texts::DateRequest::as_chosen,
                                         {access.time_display(), false}))
        .done();
}

std::string code_name(texts::HeaderCode code) {
    const std::string_view name = texts::written_header_name(code);
    return name.empty() ? std::to_string(static_cast<int>(code)) : std::string(name);
}

const char* kind_word(const texts::TextRecord& text) {
    switch (texts::text_kind(text.kind_flags)) {
        case texts::TextKind::kAnswer:
            return "Answer";
        case texts::TextKind::kComment:
            return "Comment";
        case texts::TextKind::kNewText:
            return "Command";
        case texts::TextKind::kText:
            break;
    }
    return text.kind_flags & texts::kind_flags::kLetter ? "Letter" : "Text";
}

}  // namespace

std::string text_json(const texts::TextRecord& text, CabinetAccess& access) {
    const uint8_t charset = text.charset;
    auto utf8 = [charset](std::string_view value) { return texts::to_utf8(value, charset); };
    const texts::NodeKey key = texts::node_key_of(text.id);
    const std::string_view node = access.nodes().node_name(key);

    std::vector<std::string> receivers;
    for (const texts::ReceiverEntry& receiver : text.receivers)
        receivers.push_back(JsonObject()
                                .text("name", utf8(receiver.name.text))
                                .text("code", code_name(receiver.code))
                                .text("sender", utf8(receiver.sender))
                                .raw("date", date_json(receiver.date, access))
                                .number("number", receiver.number)
                                .done());
    std::vector<std::string> links;
    for (const texts::TextLink& link : text.links)
        links.push_back(JsonObject()
                            .text("id", access.text_id(link.id))
                            .text("code", code_name(link.code))
                            .text("author", utf8(link.author))
                            .done());
    std::vector<std::string> fields;
    for (const texts::TextField& field : text.fields)
        fields.push_back(JsonObject()
                             .text("code", code_name(field.code))
                             .text("value", utf8(field.value))
                             .done());
    std::vector<std::string> boxes;
    for (uint16_t number : text.boxes) {
        const cabinet::BoxEntry* entry = access.cabinet().boxes().find(number);
        boxes.push_back(json_quote(entry ? entry->name : std::to_string(number)));
    }

    JsonObject object;
    object.text("id", access.text_id(text.id));
    object.raw("node", key == 0 ? "null"
                                : json_quote(node.empty() ? std::string(1, static_cast<char>(key))
                                                          : std::string(node)));
    object.number("number", texts::number_of(text.id))
        .raw("date", date_json(text.date, access))
        .text("author", utf8(text.author.text))
        // One name, sent on By the author or Via a gateway: the other is empty.
        .text("by", text.via ? std::string() : utf8(text.by.text))
        .text("via", text.via ? utf8(text.by.text) : std::string())
        .raw("receivers", json_list(receivers))
        .raw("links", json_list(links))
        .raw("fields", json_list(fields))
        .text("subject", utf8(text.subject))
        .text("body", utf8(text.body))
        .text("kind", kind_word(text))
        .number("kind_flags", text.kind_flags)
        .number("charset", text.charset)
        .number("importance", text.importance)
        .number("priority", text.priority)
        .raw("boxes", json_list(boxes));
    return object.done();
}

}  // namespace orvane::ui
