#include "store/records.h"

#include <algorithm>
#include <cstring>

#include "platform/bytes.h"

namespace orvane::store {

using platform::load_le16;
using platform::store_le16;

size_t parse_data_part(const uint8_t* p, size_t available, DataPart* part) {
    *part = DataPart{};
    if (available < 1) return 0;
    if (p[0] < 255) {
        part->length = p[0];
        part->bytes = p + 1;
        return 1u + p[0] <= available ? 1u + p[0] : 0;
    }
    if (available < 3) return 0;
    const uint16_t h = load_le16(p + 1);
    if (!(h & 0x8000)) {
        part->length = h;
        part->bytes = p + 3;
        return 3u + h <= available ? 3u + h : 0;
    }
    if (available < kLongDataPartSize) return 0;
    part->is_long = true;
    part->blocks = h >> 8 & 0x7F;
    part->compressed = h & 0x80;
    part->length = static_cast<uint32_t>(h & 0x7F) << 16 | load_le16(p + 3);
    part->base = (static_cast<uint32_t>(p[5]) | static_cast<uint32_t>(p[6]) << 8 |
                  static_cast<uint32_t>(p[7]) << 16)
                 << 8;
    return part->blocks == 0 ? 0 : kLongDataPartSize;
}

std::string encode_inline_data(const uint8_t* data, size_t length) {
    std::string part;
    if (length < 255) {
        part.resize(1 + length);
        part[0] = static_cast<char>(length);
        if (length) std::memcpy(part.data() + 1, data, length);
    } else {
        part.resize(3 + length);
        part[0] = static_cast<char>(0xFF);
        store_le16(reinterpret_cast<uint8_t*>(part.data() + 1), static_cast<uint16_t>(length));
        std::memcpy(part.data() + 3, data, length);
    }
    return part;
}

std::string encode_long_data(uint32_t length, uint32_t blocks, bool compressed, uint32_t base) {
    uint8_t p[kLongDataPartSize];
    p[0] = 0xFF;
    store_le16(p + 1, static_cast<uint16_t>(0x8000 | blocks << 8 | (compressed ? 0x80 : 0) |
                                            (length >> 16 & 0x7F)));
    store_le16(p + 3, static_cast<uint16_t>(length));
    p[5] = static_cast<uint8_t>(base >> 8);
    p[6] = static_cast<uint8_t>(base >> 16);
    p[7] = static_cast<uint8_t>(base >> 24);
    return std::string(reinterpret_cast<const char*>(p), sizeof p);
}

bool RecordCursor::next() {
    if (malformed_ || next_ >= length_) return false;
    const size_t start = next_;
    size_t at = start;
    size_t prefix = 0;
    if (prefixed_ && start > 0) prefix = area_[at++];
    if (at >= length_ || prefix > key_length_) return (malformed_ = true, false);
    const size_t suffix = area_[at++];
    if (prefix + suffix == 0 || prefix + suffix > 255 || suffix > length_ - at)
        return (malformed_ = true, false);
    std::memcpy(key_.data() + prefix, area_ + at, suffix);
    key_length_ = prefix + suffix;
    at += suffix;
    const size_t taken = parse_data_part(area_ + at, length_ - at, &data_);
    if (taken == 0) return (malformed_ = true, false);
    offset_ = start;
    data_offset_ = at;
    next_ = at + taken;
    return true;
}

bool decode_records(const uint8_t* area, size_t length, bool prefixed, Records* records) {
    records->clear();
    RecordCursor cursor(area, length, prefixed);
    while (cursor.next()) {
        records->push_back(
            {std::string(reinterpret_cast<const char*>(cursor.key()), cursor.key_length()),
             std::string(reinterpret_cast<const char*>(area + cursor.data_offset()),
                         cursor.end() - cursor.data_offset())});
    }
    return !cursor.malformed();
}

size_t shared_prefix(const std::string& a, const std::string& b) {
    const size_t limit = std::min(a.size(), b.size());
    size_t n = 0;
    while (n < limit && a[n] == b[n]) ++n;
    return n;
}

size_t record_size(const Records& records, size_t i, size_t first, bool prefixed) {
    const Record& r = records[i];
    const size_t key = prefixed && i > first
                           ? 2 + r.key.size() - shared_prefix(records[i - 1].key, r.key)
                           : 1 + r.key.size();
    return key + r.data.size();
}

size_t area_size(const Records& records, size_t first, size_t last, bool prefixed) {
    size_t size = 0;
    for (size_t i = first; i < last; ++i) size += record_size(records, i, first, prefixed);
    return size;
}

void encode_records(const Records& records, size_t first, size_t last, bool prefixed,
                    std::vector<uint8_t>* area) {
    area->resize(area_size(records, first, last, prefixed));
    uint8_t* out = area->data();
    for (size_t i = first; i < last; ++i) {
        const Record& r = records[i];
        size_t prefix = 0;
        if (prefixed && i > first) {
            prefix = shared_prefix(records[i - 1].key, r.key);
            *out++ = static_cast<uint8_t>(prefix);
        }
        *out++ = static_cast<uint8_t>(r.key.size() - prefix);
        std::memcpy(out, r.key.data() + prefix, r.key.size() - prefix);
        out += r.key.size() - prefix;
        std::memcpy(out, r.data.data(), r.data.size());
        out += r.data.size();
    }
}

}  // namespace orvane::store
