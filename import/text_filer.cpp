#include "import/text_filer.h"

#include <algorithm>

#include "cabinet/filing_rules.h"
#include "cabinet/fixed_boxes.h"
#include "cabinet/links.h"
#include "cabinet/stored_text.h"
#include "packet/file_names.h"
#include "platform/resource_strings.h"
#include "texts/ascii.h"

namespace orvane::import {

using platform::MessageId;
using platform::Result;
using platform::Status;
using texts::HeaderCode;
using texts::TextId;
using texts::TextRecord;
namespace box = cabinet::box;
namespace kind_flags = texts::kind_flags;

namespace {

// Notice texts: one per author, under 0xFF0000 plus the author's object
// number on the node (14 bits); authors the address book does not know
// get a place above those, chosen by their name.
constexpr TextId kNoticeIds = 0xFF0000;
constexpr TextId kUnknownAuthorNotices = kNoticeIds + 0x4000;
constexpr uint32_t kUnknownAuthorSlots = 0xC000;
constexpr int kNoticeProbes = 64;

uint32_t name_hash(std::string_view name) {
    uint32_t hash = 2166136261u;
    for (char c : name) hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
    return hash;
}

bool in_box(const TextRecord& text, uint16_t number) {
    return std::find(text.boxes.begin(), text.boxes.end(), number) != text.boxes.end();
}

// The name a file is announced under in the packet: a code 18 field holds
// the local path (and what follows it), a code 19 field the path and the
// name to give it.
std::string announced_name(const texts::TextField& field) {
    std::string value = field.value;
    if (field.code == HeaderCode::kAttachRenamed) {
        const size_t blank = value.rfind(' ');
        return blank == std::string::npos ? value : value.substr(blank + 1);
    }
    if (value.starts_with('"')) {
        const size_t close = value.find('"', 1);
        value = value.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    } else {
        value = value.substr(0, value.find(' '));
    }
    packet::clean_file_name(&value);
    return std::string(file_name_of(value));
}

// What the server's listing of a posted text says about it, taken over by
// the local copy: author, By or Via, receivers, links, the further fields;
// a file the server lists replaces the request to attach it.
void take_over_listing(TextRecord& text, const TextRecord& listing) {
    if (!listing.author.empty()) text.author = listing.author;
    if (!listing.by.empty()) {
        text.by = listing.by;
        text.via = listing.via;
    }
    if (!listing.receivers.empty()) text.receivers = listing.receivers;
    if (!listing.links.empty()) text.links = listing.links;
    for (const texts::TextField& field : listing.fields) {
        if (field.code == HeaderCode::kAttached) {
            std::erase_if(text.fields, [&](const texts::TextField& own) {
                return (own.code == HeaderCode::kAttach ||
                        own.code == HeaderCode::kAttachRenamed) &&
                       texts::equals_ignoring_case(announced_name(own), field.value);
            });
        }
        text.add_field(field.code, field.value);
    }
}

}  // namespace

TextFiler::TextFiler(cabinet::Cabinet& cabinet, const ImportOptions& options, AddressBookPort& book,
                     platform::Env& env)
    : cabinet_(cabinet),
      options_(options),
      book_(book),
      env_(env),
      partners_(partners_of(options.secretary,
                            std::vector<std::string>(options.bosses.begin(), options.bosses.end()),
                            book)) {}

Result<std::optional<TextRecord>> TextFiler::read(TextId id) {
    Result<std::optional<TextRecord>> text = cabinet_.read_text(id, true);
    if (!text.ok() && text.status().id() == MessageId::kTextDamaged) {
        // The damaged copy is gone; the listing takes its place.
        cabinet_.policy().notice(text.status());
        return std::optional<TextRecord>();
    }
    return text;
}

Status TextFiler::ensure_routing_box(uint16_t number) {
    if (cabinet_.boxes().contains(number)) return Status();
    // The parent first: "From Secretary" for the importance boxes, the
    // In-Basket for the others.
    const uint16_t parent = routing_parent(number);
    const Status parent_made =
        parent == box::kInBasket ? cabinet_.ensure_fixed_box(parent) : ensure_routing_box(parent);
    if (!parent_made.ok()) return parent_made;
    if (Status status = cabinet_.ensure_fixed_box(number); !status.ok()) return status;
    if (Status status = cabinet_.move_box(number, parent); !status.ok()) return status;
    return cabinet_.write_back();
}

Status TextFiler::file_into(TextRecord& text, const std::vector<uint16_t>& boxes) {
    for (uint16_t number : boxes) {
        if (Status status = cabinet_.file_text(text, number); !status.ok()) return status;
    }
    return Status();
}

Status TextFiler::link_back(const TextRecord& text) {
    for (const texts::TextLink& link : text.links) {
        if (link.id == text.id) continue;
        Result<std::optional<TextRecord>> linked = read(link.id);
        if (!linked.ok()) return linked.take_status();
        if (!*linked) continue;
        const HeaderCode opposite = texts::opposite_link_code(link.code);
        if (cabinet::has_link(**linked, text.id, opposite)) continue;
        (*linked)->links.push_back({text.id, opposite, text.author.text});
        if (Status status = cabinet_.write_text(**linked); !status.ok()) return status;
    }
    return Status();
}

Status TextFiler::refresh_stamps(const TextRecord& text, uint32_t old_stamp) {
    const uint32_t stamp = cabinet::text_stamp(text);
    if (stamp == old_stamp) return Status();
    for (uint16_t number : text.boxes) {
        Result<cabinet::BoxList> list = cabinet_.read_box_list(number);
        if (!list.ok()) return list.take_status();
        const auto at = std::find(list->ids.begin(), list->ids.end(), text.id);
        if (at == list->ids.end()) continue;
        list->stamps[static_cast<size_t>(at - list->ids.begin())] = stamp;
        if (Status status = cabinet_.write_box_list(number, *list); !status.ok()) return status;
    }
    return Status();
}

Result<std::vector<uint16_t>> TextFiler::boxes_for_new(const TextRecord& text, int conference_box) {
    if (text.kind_flags & kind_flags::kLetter) {
        const int value = involvement(text, partners_, options_.own_names, book_);
        if (const std::optional<uint16_t> routed = partner_box(text, partners_, value)) {
            if (Status status = ensure_routing_box(*routed); !status.ok()) return status;
            return std::vector<uint16_t>{*routed};
        }
    }
    cabinet::FilingContext context{options_.own_names, conference_box};
    return cabinet::choose_boxes(cabinet_, text, options_.filing, context);
}

Status TextFiler::file_listed(TextRecord text, int conference_box) {
    // Outside a conference listing every text is a letter.
    if (conference_box < 0) text.kind_flags |= kind_flags::kLetter;
    if (text.kind_flags & kind_flags::kLetter) {
        if (std::optional<std::string> list = mailing_list_of(text, options_.own_names, book_)) {
            text.kind_flags &= static_cast<uint8_t>(~kind_flags::kLetter);
            cabinet::FilingOptions making = options_.filing;
            making.create_boxes = true;
            making.boxes_in_in_basket = !options_.filing.separate_dir;
            if (options_.filing.separate_dir) {
                if (Status status = cabinet_.ensure_fixed_box(box::kConferences); !status.ok())
                    return status;
            }
            const std::optional<uint16_t> list_box =
                cabinet::box_for(cabinet_, *list, box::kConferences, making);
            if (list_box) conference_box = *list_box;
        }
    }

    Result<std::optional<TextRecord>> stored = read(text.id);
    if (!stored.ok()) return stored.take_status();
    if (*stored) {
        // The user's filing and what he set on his copy stay.
        const TextRecord& old = **stored;
        text.boxes = old.boxes;
        text.outgoing_options = old.outgoing_options;
        text.person = old.person;
        text.author_code = old.author_code;
        text.for_person = old.for_person;
        if (Status status = cabinet_.write_text(text); !status.ok()) return status;
        if (Status status = refresh_stamps(text, cabinet::text_stamp(old)); !status.ok())
            return status;
        ++counts_.replaced;
    } else {
        std::vector<uint16_t> boxes;
        if (conference_box >= 0 && !(text.kind_flags & kind_flags::kLetter)) {
            boxes.push_back(static_cast<uint16_t>(conference_box));
        } else {
            Result<std::vector<uint16_t>> chosen = boxes_for_new(text, conference_box);
            if (!chosen.ok()) return chosen.take_status();
            boxes = std::move(*chosen);
        }
        if (Status status = file_into(text, boxes); !status.ok()) return status;
        ++counts_.stored;
    }
    return link_back(text);
}

Status TextFiler::leave_outgoing(TextRecord& text, std::initializer_list<uint16_t> from,
                                 uint16_t settled_box) {
    const bool only_outgoing = std::all_of(text.boxes.begin(), text.boxes.end(), [&](uint16_t b) {
        return std::find(from.begin(), from.end(), b) != from.end();
    });
    if (only_outgoing || text.boxes.empty()) {
        if (Status status = cabinet_.ensure_fixed_box(settled_box); !status.ok()) return status;
        if (Status status = cabinet_.write_back(); !status.ok()) return status;
        if (Status status = cabinet_.file_text(text, settled_box); !status.ok()) return status;
    }
    for (uint16_t number : from) {
        if (!in_box(text, number)) continue;
        if (Status status = cabinet_.remove_from_box(text.id, number); !status.ok()) return status;
        std::erase(text.boxes, number);
    }
    return Status();
}

Status TextFiler::settle_command(TextId item, const TextBody::Finished& output) {
    Result<std::optional<TextRecord>> stored = read(item);
    if (!stored.ok()) return stored.take_status();
    TextRecord text;
    if (*stored) {
        text = std::move(**stored);
        if (!output.body.empty()) {
            text.body = output.body;
            if (!output.spill_name.empty())
                text.add_field(HeaderCode::kAttached, output.spill_name);
        }
    } else {
        text.id = item;
        text.date = static_cast<uint32_t>(env_.now_utc());
        text.kind_flags =
            static_cast<uint8_t>(texts::with_text_kind(0, texts::TextKind::kNewText) |
                                 (options_.fixed_pitch ? kind_flags::kFixedPitch : 0));
        text.subject = platform::resource_string(MessageId::kCommandResultsSubject);
        text.body = output.body;
        if (!output.spill_name.empty()) text.add_field(HeaderCode::kAttached, output.spill_name);
        if (Status status = cabinet_.reserve_local_id(item); !status.ok()) return status;
    }
    text.update_charset(texts::charsets::kWindowsClass, options_.charset_variant);
    text.width = texts::text_width(text.body, options_.right_margin);
    if (*stored) {
        if (Status status = cabinet_.write_text(text); !status.ok()) return status;
    }
    // The command leaves the out-going boxes for the results.
    if (Status status = cabinet_.ensure_fixed_box(box::kResultsOfCommands); !status.ok())
        return status;
    if (Status status = cabinet_.write_back(); !status.ok()) return status;
    if (Status status = cabinet_.file_text(text, box::kResultsOfCommands); !status.ok())
        return status;
    for (uint16_t number : {box::kOutBasket, box::kPendingSentCommands}) {
        if (!in_box(text, number)) continue;
        if (Status status = cabinet_.remove_from_box(text.id, number); !status.ok()) return status;
    }
    ++counts_.command_results;
    return Status();
}

Status TextFiler::settle_posted(TextId item, TextId server_id, const TextRecord& listing) {
    Result<std::optional<TextRecord>> local = read(item);
    if (!local.ok()) return local.take_status();
    Result<std::optional<TextRecord>> existing = read(server_id);
    if (!existing.ok()) return existing.take_status();
    if (!*local) {
        // Settled before (the import is running again over the same file),
        // or the user deleted it meanwhile.
        if (!*existing) {
            cabinet_.policy().notice(
                Status::message(MessageId::kEchoItemGone, {static_cast<unsigned>(item)}));
            return Status();
        }
        TextRecord text = std::move(**existing);
        take_over_listing(text, listing);
        if (Status status = cabinet_.write_text(text); !status.ok()) return status;
        return link_back(text);
    }

    TextRecord text = std::move(**local);
    const std::vector<uint16_t> local_boxes = text.boxes;
    take_over_listing(text, listing);
    // The local copy goes; the server's number takes its place.
    for (uint16_t number : local_boxes) {
        if (Status status = cabinet_.remove_from_box(item, number); !status.ok()) return status;
    }
    text.id = server_id;
    text.boxes.clear();
    std::vector<uint16_t> boxes;
    for (uint16_t number : local_boxes)
        if (number != box::kOutBasket && number != box::kPendingSentMail) boxes.push_back(number);
    if (*existing)
        for (uint16_t number : (*existing)->boxes)
            if (std::find(boxes.begin(), boxes.end(), number) == boxes.end())
                boxes.push_back(number);
    if (boxes.empty()) {
        if (Status status = cabinet_.ensure_fixed_box(box::kSentMail); !status.ok()) return status;
        if (Status status = cabinet_.write_back(); !status.ok()) return status;
        boxes.push_back(box::kSentMail);
    }
    if (Status status = file_into(text, boxes); !status.ok()) return status;
    ++counts_.settled;
    return link_back(text);
}

Status TextFiler::update_listed(const TextRecord& listing) {
    Result<std::optional<TextRecord>> stored = read(listing.id);
    if (!stored.ok()) return stored.take_status();
    if (!*stored) return Status();
    TextRecord text = std::move(**stored);
    if (listing.date != 0) text.date = listing.date;
    if (!listing.receivers.empty()) text.receivers = listing.receivers;
    for (const texts::TextField& field : listing.fields) text.add_field(field.code, field.value);
    const uint32_t old_stamp = cabinet::text_stamp(text);
    if (Status status = cabinet_.write_text(text); !status.ok()) return status;
    if (Status status = refresh_stamps(text, old_stamp); !status.ok()) return status;
    if (Status status =
            leave_outgoing(text, {box::kOutBasket, box::kPendingSentMail}, box::kSentMail);
        !status.ok())
        return status;
    ++counts_.settled;
    return Status();
}

Result<uint16_t> TextFiler::conference_box(const std::string& name) {
    cabinet::FilingOptions making = options_.filing;
    making.create_boxes = true;
    if (making.separate_dir) {
        if (Status status = cabinet_.ensure_fixed_box(box::kConferences); !status.ok())
            return status;
    }
    const std::optional<uint16_t> found =
        cabinet::box_for(cabinet_, name, box::kConferences, making);
    if (!found) return Status::message(MessageId::kIsInvalid, {"The conference box"});
    return *found;
}

Result<TextId> TextFiler::notice_id(texts::NodeKey node, const texts::KindedName& author) {
    if (const std::optional<uint16_t> object = book_.object_number(node, author.text))
        return kNoticeIds + (*object & 0x3FFF);
    const std::string name = book_.comparable_name(author.text);
    uint32_t slot = name_hash(name) % kUnknownAuthorSlots;
    for (int probe = 0; probe < kNoticeProbes; ++probe) {
        const TextId id = kUnknownAuthorNotices + (slot + probe) % kUnknownAuthorSlots;
        Result<std::optional<TextRecord>> stored = read(id);
        if (!stored.ok()) return stored.take_status();
        if (!*stored || book_.comparable_name((*stored)->author.text) == name) return id;
    }
    return cabinet_.next_local_id();
}

}  // namespace orvane::import
