#include "cabinet/posting_list.h"

#include "platform/bytes.h"

namespace orvane::cabinet {

using texts::TextId;

void append_number(std::vector<uint8_t>* out, uint32_t v) {
    if (v < 0xC0) {
        out->push_back(static_cast<uint8_t>(v));
    } else if (v < 0x3800) {
        out->insert(out->end(), {static_cast<uint8_t>(0xC0 + (v >> 8)), static_cast<uint8_t>(v)});
    } else if (v < 0x60000) {
        out->insert(out->end(), {static_cast<uint8_t>(0xF8 + (v >> 16)),
                                 static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
    } else if (v <= 0xFFFFFF) {
        out->insert(out->end(), {0xFE, static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
                                 static_cast<uint8_t>(v)});
    } else {
        out->push_back(0xFF);
        uint8_t bytes[4];
        platform::store_le32(bytes, v);
        out->insert(out->end(), bytes, bytes + 4);
    }
}

bool PostingWriter::append(TextId id) {
    if (bytes_.empty()) {
        bytes_.resize(4);
        platform::store_le32(bytes_.data(), id + kFirstIdBias);
    } else {
        if (id <= last_) return false;
        append_number(&bytes_, id - last_);
    }
    last_ = id;
    return true;
}

PostingReader::PostingReader(const uint8_t* data, size_t length) : at_(data), end_(data + length) {
    damaged_ = length > 0 && length < 4;  // an empty record is an empty list
}

bool PostingReader::next(TextId* id) {
    if (damaged_ || at_ == end_) return false;
    if (first_) {
        first_ = false;
        last_ = platform::load_le32(at_) - kFirstIdBias;
        at_ += 4;
        *id = last_;
        return true;
    }
    const uint8_t lead = *at_;
    const size_t size = lead < 0xC0 ? 1 : lead < 0xF8 ? 2 : lead < 0xFE ? 3 : lead == 0xFE ? 4 : 5;
    if (static_cast<size_t>(end_ - at_) < size) {
        damaged_ = true;
        return false;
    }
    uint32_t delta;
    switch (size) {
        case 1:
            delta = lead;
            break;
        case 2:
            delta = static_cast<uint32_t>(lead - 0xC0) << 8 | at_[1];
            break;
        case 3:
            delta = static_cast<uint32_t>(lead - 0xF8) << 16 | at_[1] << 8 | at_[2];
            break;
        case 4:
            delta = static_cast<uint32_t>(at_[1]) << 16 | at_[2] << 8 | at_[3];
            break;
        default:
            delta = platform::load_le32(at_ + 1);
            break;
    }
    if (delta == 0 || delta > UINT32_MAX - last_) {
        damaged_ = true;
        return false;
    }
    at_ += size;
    last_ += delta;
    *id = last_;
    return true;
}

std::vector<uint8_t> encode_posting_list(std::span<const TextId> ids) {
    PostingWriter writer;
    for (TextId id : ids) writer.append(id);
    return writer.bytes();
}

std::optional<std::vector<TextId>> decode_posting_list(std::span<const uint8_t> data) {
    PostingReader reader(data);
    std::vector<TextId> ids;
    ids.reserve(data.size());
    for (TextId id; reader.next(&id);) ids.push_back(id);
    if (reader.damaged()) return std::nullopt;
    return ids;
}

bool merge_postings(std::span<const uint8_t> old, std::span<const PostingChange> changes,
                    PostingWriter* out) {
    PostingReader reader(old);
    TextId current = 0;
    bool have = reader.next(&current);
    size_t c = 0;
    while (have || c < changes.size()) {
        if (c == changes.size() || (have && current < changes[c].id)) {
            out->append(current);
            have = reader.next(&current);
        } else {
            const PostingChange& change = changes[c++];
            const bool same = have && current == change.id;
            if (change.add) out->append(change.id);
            if (same) have = reader.next(&current);
        }
    }
    if (!reader.damaged()) return true;
    out->clear();
    for (const PostingChange& change : changes)
        if (change.add) out->append(change.id);
    return false;
}

}  // namespace orvane::cabinet
