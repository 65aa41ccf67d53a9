// TextRecord: one text in memory, with its receivers, links and further
// header fields. The record owns all its parts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "texts/header_codes.h"
#include "texts/text_id.h"

namespace orvane::texts {

// A name as the address lookup returned it: the kind of name it is, and the
// name. Stored texts keep the kind as one byte in front of the name.
struct KindedName {
    uint8_t kind = 0;
    std::string text;

    bool empty() const { return text.empty(); }
    bool operator==(const KindedName&) const = default;
};

// How a receiver's date came about, in the words the server writes.
enum class DateKind : uint8_t { kSent = 0, kPosted = 1, kForwarded = 2, kReceived = 3 };

// The word for a date kind: "sent:", "posted:", "forwarded:", "received:".
std::string_view date_kind_word(DateKind kind);

struct ReceiverEntry {
    KindedName name;
    std::string sender;                 // who sent it on to this receiver, or empty
    uint32_t date = 0;                  // stored date, or 0
    uint32_t number = 0;                // the number in brackets after the name, or 0
    HeaderCode code = HeaderCode::kTo;  // the receiver line; kSubtract to take the receiver away
    // The code the entry had when it came from the server; kFrom (0) for an
    // entry added here. Only entries whose two codes differ are sent.
    HeaderCode previous_code = HeaderCode::kFrom;
    DateKind date_kind = DateKind::kSent;
    bool thread = false;    // the whole thread goes to this receiver
    uint8_t name_type = 0;  // the kind of name the address lookup found

    bool operator==(const ReceiverEntry&) const = default;
};

// A Reference (to the text this one comments on) or a Comment (a text that
// comments on this one).
struct TextLink {
    TextId id = 0;
    HeaderCode code = HeaderCode::kReference;
    std::string author;

    bool operator==(const TextLink&) const = default;
};

// A header field kept as text: Internet, Attached, Reply-To, Expires,
// Msg-ID, Remark, Version, and on out-going texts Attach and its renamed form.
struct TextField {
    HeaderCode code = HeaderCode::kRemark;
    std::string value;

    bool operator==(const TextField&) const = default;
};

// Bits of TextRecord::kind_flags.
namespace kind_flags {
constexpr uint8_t kLetter = 0x01;      // a text with a node key is a letter, not a conference text
constexpr uint8_t kFixedPitch = 0x02;  // shown in a fixed-pitch font
constexpr uint8_t kKindMask = 0x0C;    // the kind index, see TextKind
constexpr int kKindShift = 2;
constexpr uint8_t kSubjectChanged = 0x10;  // an answer or comment whose subject the user changed
constexpr uint8_t kUnsent = 0x20;
constexpr uint8_t kSecret = 0x80;  // the server is asked to make the text secret
}  // namespace kind_flags

// Bits of TextRecord::outgoing_options.
namespace outgoing_options {
constexpr uint8_t kAddAsComment = 0x01;     // link the new text as a comment to its reference
constexpr uint8_t kNoForPerson = 0x02;      // do not send the for-person line
constexpr uint8_t kSecretarySender = 0x04;  // send the sender as written by a secretary
constexpr uint8_t kShowSender = 0x10;       // send the sender line even for the user himself
}  // namespace outgoing_options

enum class TextKind : uint8_t { kText = 0, kAnswer = 1, kComment = 2, kNewText = 3 };

TextKind text_kind(uint8_t flags);
uint8_t with_text_kind(uint8_t flags, TextKind kind);

// TextRecord::charset: bits 5-7 the class (the index of its letter in
// "0DWMU567"), bits 0-4 the variant. 0 when subject and body are pure ASCII.
namespace charsets {
constexpr std::string_view kClassLetters = "0DWMU567";
constexpr int kDosClass = 1;
constexpr int kWindowsClass = 2;
constexpr int kMacClass = 3;
constexpr int kWestVariant = 1;
constexpr int kEastVariant = 2;
constexpr int kCyrillicVariant = 5;
}  // namespace charsets

inline int charset_class(uint8_t charset) {
    return charset >> 5;
}
inline int charset_variant(uint8_t charset) {
    return charset & 0x1F;
}
uint8_t make_charset(int char_class, int variant);
// The class that a letter of "0DWMU567" names, or -1.
int charset_class_of_letter(char letter);
bool has_non_ascii(std::string_view text);

// The settings a new local text takes its look from.
struct NewTextOptions {
    bool fixed_pitch = true;  // "Fixed Pitch"
    int right_margin = 76;    // "Right Margin"
};

struct TextRecord {
    TextId id = 0;
    uint32_t date = 0;
    std::vector<uint16_t> boxes;  // the filing cabinet boxes that hold the text
    KindedName author;
    KindedName by;  // from the header By, or Via when `via` is set
    std::vector<ReceiverEntry> receivers;
    std::vector<TextLink> links;
    std::vector<TextField> fields;
    std::string subject;
    std::string body;  // lines ending with LF
    uint8_t kind_flags = 0;
    uint8_t priority = 0;
    uint8_t importance = 0;  // 0..7
    uint8_t charset = 0;
    uint8_t width = 0;  // display width in columns
    bool via = false;

    // What a text waiting in the out-basket carries for the mail packet.
    uint8_t outgoing_options = 0;  // bits of outgoing_options::
    // Whom the user wrote it for: 0 himself, 1 and up one of his bosses.
    uint8_t person = 0;
    // The author's person code: the top two bits name the person (0 the
    // user, 1 to 3 a boss).
    uint16_t author_code = 0;
    // The person on whose behalf the text was written, or empty.
    std::string for_person;

    // Back to a cleared record: every field zero, no lists.
    void clear() { *this = TextRecord{}; }

    // Lets go of every owned part (boxes, names, lists, subject, body) and
    // keeps the plain fields.
    void release();

    uint8_t box_count() const { return static_cast<uint8_t>(boxes.size()); }
    uint16_t line_count() const;
    // Bytes of the body as stored, with its closing NUL; 0 without a body.
    uint16_t body_length() const;

    // Sets `charset` from the class and variant in force, or to 0 when the
    // subject and body are pure ASCII.
    void update_charset(int char_class, int variant);

    // Adds an extra field; refuses (and returns false) one whose code and
    // value equal a field the text has already.
    bool add_field(HeaderCode code, std::string_view value);

    bool operator==(const TextRecord&) const = default;
};

// A text written here: the next local number, the current time, the user as
// author, and the look the settings ask for.
TextRecord new_local_text(TextId local_id, uint32_t now, KindedName author,
                          const NewTextOptions& options);

// Columns of the widest line of `body`, tabs going to the next multiple of 8.
int widest_line_columns(std::string_view body);

// The display width of a body: its widest line, at least the right margin
// (itself kept within 20..79), at most 79.
uint8_t text_width(std::string_view body, int right_margin);

}  // namespace orvane::texts
