// Links between texts come in pairs: a Reference in one text and a Comment
// in the other. These keep the pairs whole.
#include <algorithm>

#include "cabinet/cabinet.h"
#include "cabinet/db_lock.h"
#include "cabinet/keys.h"
#include "cabinet/links.h"
#include "cabinet/record_walk.h"
#include "cabinet/stored_text.h"
#include "platform/bytes.h"

namespace orvane::cabinet {

using namespace store;
using platform::MessageId;
using platform::Result;
using platform::Status;
using texts::HeaderCode;
using texts::TextId;
using texts::TextRecord;

bool has_link(const TextRecord& text, TextId id, HeaderCode code) {
    return std::any_of(text.links.begin(), text.links.end(), [&](const texts::TextLink& link) {
        return link.id == id && link.code == code;
    });
}

// The texts this one linked to lose their half of each pair. A linked text
// that is gone or damaged has no half to lose.
Status Cabinet::unlink_deleted_text(const TextRecord& text) {
    for (const texts::TextLink& link : text.links) {
        if (link.id == text.id) continue;
        Result<std::optional<TextRecord>> other = read_text(link.id, true);
        if (!other.ok() && other.status().id() == MessageId::kTextDamaged) continue;
        if (!other.ok()) return other.take_status();
        if (!*other) continue;
        TextRecord& linked = **other;
        const HeaderCode opposite = texts::opposite_link_code(link.code);
        const size_t before = linked.links.size();
        std::erase_if(linked.links, [&](const texts::TextLink& l) {
            return l.id == text.id && l.code == opposite;
        });
        if (linked.links.size() != before) {
            if (Status status = write_text(linked); !status.ok()) return status;
        }
    }
    return Status();
}

Result<uint32_t> Cabinet::link_comments() {
    if (Status status = check_writable(); !status.ok()) return status;
    std::unique_ptr<platform::Progress> progress = policy_.progress("Linking the comments");
    DbLockGuard lock(db_);
    if (lock.code() != kDbOk) return engine_error("reading the cabinet", lock.code());
    // First gather every text's links, then add what is missing, so that the
    // walk is not disturbed by the writes.
    struct Pending {
        TextId target;
        texts::TextLink link;
    };
    std::vector<Pending> wanted;
    uint64_t seen = 0;
    bool cancelled = false;
    const int32_t code = walk_records(db_, &kTextPrefix, 1, [&](const WalkedRecord& record) {
        if (record.key_length == 5) {
            const TextId id = platform::load_be32(record.key + 1);
            if (std::optional<TextRecord> text =
                    decode_stored_text(record.data, record.data_length, id)) {
                for (const texts::TextLink& link : text->links)
                    if (link.id != id)
                        wanted.push_back(
                            {link.id,
                             {id, texts::opposite_link_code(link.code), text->author.text}});
            }
        }
        if (progress && ++seen % 256 == 0 && !progress->update(seen, 0)) cancelled = true;
        return cancelled ? WalkStep::kStop : WalkStep::kNext;
    });
    if (code != kDbOk) return engine_error("reading the cabinet", code);
    if (cancelled) return Status::cancelled();

    uint32_t added = 0;
    std::sort(wanted.begin(), wanted.end(),
              [](const Pending& a, const Pending& b) { return a.target < b.target; });
    for (size_t i = 0; i < wanted.size();) {
        const TextId target = wanted[i].target;
        size_t end = i;
        while (end < wanted.size() && wanted[end].target == target) ++end;
        Result<std::optional<TextRecord>> text = read_text(target, true);
        if (!text.ok() && text.status().id() != MessageId::kTextDamaged) return text.take_status();
        if (text.ok() && *text) {
            bool changed = false;
            for (size_t j = i; j < end; ++j) {
                if (has_link(**text, wanted[j].link.id, wanted[j].link.code)) continue;
                (*text)->links.push_back(wanted[j].link);
                changed = true;
                ++added;
            }
            if (changed) {
                if (Status status = write_text(**text); !status.ok()) return status;
            }
        }
        i = end;
        // What was linked so far stays linked: each link pair is whole.
        if (progress && !progress->update(i, wanted.size())) break;
    }
    if (const int32_t committed = lock.commit())
        return engine_error("writing the cabinet", committed);
    return added;
}

}  // namespace orvane::cabinet
