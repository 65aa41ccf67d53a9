#include "cabinet/stored_text.h"

#include <cstring>
#include <string>

#include "platform/bytes.h"

namespace orvane::cabinet {

namespace {

using texts::HeaderCode;
using texts::TextRecord;

// Offsets of the fixed part.
constexpr size_t kIdAt = 0, kDateAt = 4, kLengthAt = 8, kFormatAt = 10, kImportanceAt = 11,
                 kKindFlagsAt = 12, kCharsetAt = 13, kPriorityAt = 14, kBoxCountAt = 15,
                 kBoxAt = 16, kAuthorAt = 18, kReceiversAt = 20, kLinksAt = 22, kFieldsAt = 24,
                 kSubjectAt = 26, kBodyAt = 28, kBodyLengthAt = 30, kLineCountAt = 32,
                 kAuthorCodeAt = 34, kOutgoingAt = 36, kPersonAt = 37;
// Byte 11, bits 0-4, when offset 34 holds an author code.
constexpr uint8_t kAuthorCodeMark = 3;
// Field item code that no header uses; it carries what has no place in the
// fixed part: the display width and the for-person name.
constexpr uint8_t kExtraItemCode = 24;

// Item heads.
constexpr size_t kReceiverHead =
    16;  // next, code, previous, date kind, thread, name type, name kind, date, number
constexpr size_t kLinkHead = 8;   // next, id, code, 0
constexpr size_t kFieldHead = 3;  // next, code

class Writer {
  public:
    size_t size() const { return bytes_.size(); }
    std::vector<uint8_t>& bytes() { return bytes_; }

    void u8(uint8_t v) { bytes_.push_back(v); }
    void u16(uint16_t v) {
        u8(static_cast<uint8_t>(v));
        u8(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v) {
        u16(static_cast<uint16_t>(v));
        u16(static_cast<uint16_t>(v >> 16));
    }
    // The string up to any NUL it holds, then a NUL.
    void cstring(const std::string& text) {
        const size_t n = std::min(text.find('\0'), text.size());
        bytes_.insert(bytes_.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
        u8(0);
    }
    void set16(size_t at, size_t v) { platform::store_le16(&bytes_[at], static_cast<uint16_t>(v)); }

  private:
    std::vector<uint8_t> bytes_;
};

// Items of a list, each starting with the offset of the next; `link_at` is
// where the offset of the first item goes. Returns where the offset of an
// item after these would go.
template <typename Item, typename WriteItem>
size_t write_list(Writer& out, size_t link_at, const std::vector<Item>& items,
                  WriteItem write_item) {
    for (const Item& item : items) {
        out.set16(link_at, out.size());
        link_at = out.size();
        out.u16(0);
        write_item(item);
    }
    return link_at;
}

std::vector<uint8_t> encode(const TextRecord& text, bool with_receivers, const std::string& body) {
    Writer out;
    out.bytes().resize(kStoredTextFixedSize, 0);
    std::vector<uint8_t>& b = out.bytes();
    platform::store_le32(&b[kIdAt], text.id);
    platform::store_le32(&b[kDateAt], text.date);
    b[kFormatAt] = kStoredTextFormat;
    b[kImportanceAt] =
        static_cast<uint8_t>((text.importance & 7) << 5 | (text.author_code ? kAuthorCodeMark : 0));
    b[kKindFlagsAt] = text.kind_flags;
    b[kCharsetAt] = text.charset;
    b[kPriorityAt] = text.priority;
    b[kBoxCountAt] = text.box_count();
    platform::store_le16(&b[kAuthorCodeAt], text.author_code);
    b[kOutgoingAt] = text.outgoing_options;
    b[kPersonAt] = text.person;

    if (text.boxes.size() == 1) {
        out.set16(kBoxAt, text.boxes[0]);
    } else if (text.boxes.size() >= 2) {
        out.set16(kBoxAt, out.size());
        for (uint16_t box : text.boxes) out.u16(box);
    }
    if (!text.author.empty() || text.author.kind != 0) {
        out.set16(kAuthorAt, out.size());
        out.u8(text.author.kind);
        out.cstring(text.author.text);
    }
    if (with_receivers) {
        write_list(out, kReceiversAt, text.receivers, [&](const texts::ReceiverEntry& r) {
            out.u8(static_cast<uint8_t>(r.code));
            out.u8(static_cast<uint8_t>(r.previous_code));
            out.u8(static_cast<uint8_t>(r.date_kind));
            out.u8(r.thread ? 1 : 0);
            out.u8(r.name_type);
            out.u8(r.name.kind);
            out.u32(r.date);
            out.u32(r.number);
            out.cstring(r.name.text);
            out.cstring(r.sender);
        });
    }
    write_list(out, kLinksAt, text.links, [&](const texts::TextLink& link) {
        out.u32(link.id);
        out.u8(static_cast<uint8_t>(link.code));
        out.u8(0);
        out.cstring(link.author);
    });
    size_t after_fields =
        write_list(out, kFieldsAt, text.fields, [&](const texts::TextField& field) {
            out.u8(static_cast<uint8_t>(field.code));
            out.cstring(field.value);
        });
    // The By or Via name goes last among the fields, its kind byte (which
    // may be 0) before the name.
    if (!text.by.empty() || text.by.kind != 0 || text.via) {
        out.set16(after_fields, out.size());
        after_fields = out.size();
        out.u16(0);
        out.u8(static_cast<uint8_t>(text.via ? HeaderCode::kVia : HeaderCode::kBy));
        out.u8(text.by.kind);
        out.cstring(text.by.text);
    }
    if (text.width != 0 || !text.for_person.empty()) {
        out.set16(after_fields, out.size());
        out.u16(0);
        out.u8(kExtraItemCode);
        out.u8(text.width);
        out.cstring(text.for_person);
    }
    if (!text.subject.empty()) {
        out.set16(kSubjectAt, out.size());
        out.cstring(text.subject);
    }
    if (!body.empty()) {
        out.set16(kBodyAt, out.size());
        out.set16(kBodyLengthAt, body.size() + 1);
        for (char c : body) out.u8(static_cast<uint8_t>(c));
        out.u8(0);
        TextRecord counted;
        counted.body = body;
        out.set16(kLineCountAt, counted.line_count());
    }
    if (out.size() <= 0xFFFF) out.set16(kLengthAt, out.size());
    return std::move(out.bytes());
}

class Reader {
  public:
    Reader(const uint8_t* data, size_t length) : data_(data), length_(length) {}

    bool inside(size_t at, size_t count) const {
        return at >= kStoredTextFixedSize && at <= length_ && count <= length_ - at;
    }
    uint8_t u8(size_t at) const { return data_[at]; }
    uint16_t u16(size_t at) const { return platform::load_le16(data_ + at); }
    uint32_t u32(size_t at) const { return platform::load_le32(data_ + at); }
    // The NUL-terminated string at `at`; false when its NUL lies beyond the record.
    bool cstring(size_t at, std::string* out) const {
        if (!inside(at, 1)) return false;
        const void* nul = std::memchr(data_ + at, 0, length_ - at);
        if (!nul) return false;
        out->assign(reinterpret_cast<const char*>(data_ + at),
                    static_cast<const uint8_t*>(nul) - (data_ + at));
        return true;
    }

  private:
    const uint8_t* data_;
    size_t length_;
};

// Walks a list whose items begin with the offset of the next. Each item must
// lie after the one before it, which also rules out loops.
template <typename ReadItem>
bool read_list(const Reader& in, size_t first, size_t head_size, ReadItem read_item) {
    size_t previous = 0;
    for (size_t at = first; at != 0; at = in.u16(at)) {
        if (at <= previous || !in.inside(at, head_size)) return false;
        if (!read_item(at)) return false;
        previous = at;
    }
    return true;
}

bool valid_code(uint8_t code) {
    return code <= static_cast<uint8_t>(HeaderCode::kVia);
}

}  // namespace

size_t stored_text_size(const TextRecord& text) {
    return encode(text, true, text.body).size();
}

std::optional<std::vector<uint8_t>> encode_stored_text(const TextRecord& text) {
    std::vector<uint8_t> bytes = encode(text, true, text.body);
    if (bytes.size() <= kMaxStoredText) return bytes;
    bytes = encode(text, false, text.body);
    if (bytes.size() <= kMaxStoredText) return bytes;
    // Cut the body to the room left, keeping the line end that every body
    // closes with.
    const size_t without_body = bytes.size() - (text.body.size() + 1);
    if (without_body + 2 > kMaxStoredText) {
        bytes = encode(text, false, {});
        if (bytes.size() > kMaxStoredText) return std::nullopt;
        return bytes;
    }
    std::string body = text.body.substr(0, kMaxStoredText - without_body - 2);
    body.push_back('\n');
    return encode(text, false, body);
}

size_t stored_text_length(const uint8_t* data, size_t length) {
    return length < kLengthAt + 2 ? 0 : platform::load_le16(data + kLengthAt);
}

std::optional<TextRecord> decode_stored_text(const uint8_t* data, size_t length,
                                             texts::TextId key_id) {
    const size_t stored = stored_text_length(data, length);
    if (stored < kStoredTextFixedSize || stored > length || stored > kMaxStoredText)
        return std::nullopt;
    const Reader in(data, stored);
    if (in.u32(kIdAt) != key_id) return std::nullopt;
    for (size_t at = kAuthorAt; at <= kSubjectAt; at += 2) {
        const size_t offset = in.u16(at);
        if (offset != 0 && !in.inside(offset, 1)) return std::nullopt;
    }

    TextRecord text;
    text.id = key_id;
    text.date = in.u32(kDateAt);
    text.importance = in.u8(kImportanceAt) >> 5;
    text.kind_flags = in.u8(kKindFlagsAt);
    text.charset = in.u8(kCharsetAt);
    text.priority = in.u8(kPriorityAt);
    if ((in.u8(kImportanceAt) & 0x1F) == kAuthorCodeMark) text.author_code = in.u16(kAuthorCodeAt);
    text.outgoing_options = in.u8(kOutgoingAt);
    text.person = in.u8(kPersonAt);

    const size_t box_count = in.u8(kBoxCountAt);
    if (box_count == 1) {
        text.boxes.push_back(in.u16(kBoxAt));
    } else if (box_count >= 2) {
        const size_t array_at = in.u16(kBoxAt);
        if (!in.inside(array_at, box_count * 2)) return std::nullopt;
        for (size_t i = 0; i < box_count; ++i) text.boxes.push_back(in.u16(array_at + 2 * i));
    }

    if (const size_t at = in.u16(kAuthorAt)) {
        if (!in.inside(at, 2)) return std::nullopt;
        text.author.kind = in.u8(at);
        if (!in.cstring(at + 1, &text.author.text)) return std::nullopt;
    }

    const bool receivers_ok = read_list(in, in.u16(kReceiversAt), kReceiverHead, [&](size_t at) {
        texts::ReceiverEntry r;
        if (!valid_code(in.u8(at + 2)) || !valid_code(in.u8(at + 3)) || in.u8(at + 4) > 3)
            return false;
        r.code = static_cast<HeaderCode>(in.u8(at + 2));
        r.previous_code = static_cast<HeaderCode>(in.u8(at + 3));
        r.date_kind = static_cast<texts::DateKind>(in.u8(at + 4));
        r.thread = in.u8(at + 5) != 0;
        r.name_type = in.u8(at + 6);
        r.name.kind = in.u8(at + 7);
        r.date = in.u32(at + 8);
        r.number = in.u32(at + 12);
        const size_t name_at = at + kReceiverHead;
        if (!in.cstring(name_at, &r.name.text) ||
            !in.cstring(name_at + r.name.text.size() + 1, &r.sender))
            return false;
        text.receivers.push_back(std::move(r));
        return true;
    });
    if (!receivers_ok) return std::nullopt;

    const bool links_ok = read_list(in, in.u16(kLinksAt), kLinkHead, [&](size_t at) {
        texts::TextLink link;
        link.id = in.u32(at + 2);
        const uint8_t code = in.u8(at + 6);
        if (code != static_cast<uint8_t>(HeaderCode::kReference) &&
            code != static_cast<uint8_t>(HeaderCode::kComment))
            return false;
        link.code = static_cast<HeaderCode>(code);
        if (!in.cstring(at + kLinkHead, &link.author)) return false;
        text.links.push_back(std::move(link));
        return true;
    });
    if (!links_ok) return std::nullopt;

    const bool fields_ok = read_list(in, in.u16(kFieldsAt), kFieldHead, [&](size_t at) {
        const uint8_t code = in.u8(at + 2);
        if (!valid_code(code)) return false;
        if (code == static_cast<uint8_t>(HeaderCode::kBy) ||
            code == static_cast<uint8_t>(HeaderCode::kVia)) {
            if (!in.inside(at + kFieldHead, 2)) return false;
            text.by.kind = in.u8(at + kFieldHead);
            text.via = code == static_cast<uint8_t>(HeaderCode::kVia);
            return in.cstring(at + kFieldHead + 1, &text.by.text);
        }
        if (code == kExtraItemCode) {
            if (!in.inside(at + kFieldHead, 2)) return false;
            text.width = in.u8(at + kFieldHead);
            return in.cstring(at + kFieldHead + 1, &text.for_person);
        }
        texts::TextField field;
        field.code = static_cast<HeaderCode>(code);
        if (!in.cstring(at + kFieldHead, &field.value)) return false;
        text.fields.push_back(std::move(field));
        return true;
    });
    if (!fields_ok) return std::nullopt;

    if (const size_t at = in.u16(kSubjectAt)) {
        if (!in.cstring(at, &text.subject)) return std::nullopt;
    }
    const size_t body_at = in.u16(kBodyAt);
    const size_t body_length = in.u16(kBodyLengthAt);
    if (body_length != 0) {
        if (body_at == 0 || !in.inside(body_at, body_length)) return std::nullopt;
        // The stored length counts the closing NUL.
        text.body.assign(reinterpret_cast<const char*>(data + body_at), body_length - 1);
    }
    return text;
}

uint32_t text_stamp(const TextRecord& text) {
    return (text.date & ~1u) | (text.kind_flags & texts::kind_flags::kLetter);
}

}  // namespace orvane::cabinet
