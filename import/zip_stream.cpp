#include "import/zip_stream.h"

#include <algorithm>
#include <cstring>

#include "platform/bytes.h"

namespace orvane::import {

using platform::MessageId;
using platform::Result;
using platform::Status;

namespace {

constexpr uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr uint32_t kEndRecordSignature = 0x06054B50;
constexpr uint32_t kZip64EndSignature = 0x06064B50;
constexpr uint32_t kDescriptorSignature = 0x08074B50;
constexpr size_t kLocalHeaderSize = 30;
constexpr uint16_t kEncryptedFlag = 0x0001;
constexpr uint16_t kSizesFollowFlag = 0x0008;
constexpr uint16_t kZip64ExtraId = 0x0001;
constexpr uint32_t kZip64Marker = 0xFFFFFFFF;
constexpr uint16_t kStored = 0;
constexpr uint16_t kDeflated = 8;
constexpr size_t kShownNameLength = 255;

Status member_error(MessageId id, const ZipMember& member) {
    if (id == MessageId::kZipMethodUnsupported)
        return Status::message(id, {member.name, static_cast<int>(member.method)});
    return Status::message(id, {member.name});
}

// The name for messages: printable, and not endless.
std::string shown_name(const uint8_t* bytes, size_t length) {
    std::string name;
    for (size_t i = 0; i < length && name.size() < kShownNameLength; ++i)
        name.push_back(bytes[i] >= 32 && bytes[i] != 127 ? static_cast<char>(bytes[i]) : '?');
    return name;
}

// The 64-bit sizes of a Zip64 extra field, for those the header marks.
void read_zip64_extra(const uint8_t* extra, size_t length, ZipMember* member,
                      bool uncompressed_marked, bool compressed_marked) {
    size_t at = 0;
    while (at + 4 <= length) {
        const uint16_t id = platform::load_le16(extra + at);
        const uint16_t size = platform::load_le16(extra + at + 2);
        const size_t body = at + 4;
        if (body + size > length) return;
        if (id == kZip64ExtraId) {
            member->zip64 = true;
            size_t field = body;
            if (uncompressed_marked && field + 8 <= body + size) {
                member->uncompressed_size = platform::load_le64(extra + field);
                field += 8;
            }
            if (compressed_marked && field + 8 <= body + size)
                member->compressed_size = platform::load_le64(extra + field);
            return;
        }
        at = body + size;
    }
}

}  // namespace

Result<ZipNext> open_next_member(BufferedInput& input, ZipMember* member) {
    input.fill(4);
    if (input.size() < 4) return ZipNext::kNotZip;
    const uint32_t signature = platform::load_le32(input.data());
    if (signature == kCentralHeaderSignature || signature == kEndRecordSignature ||
        signature == kZip64EndSignature)
        return ZipNext::kEndOfArchive;
    if (signature != kLocalHeaderSignature) return ZipNext::kNotZip;

    uint8_t header[kLocalHeaderSize];
    *member = ZipMember{};
    member->name = "?";
    if (input.read(header, sizeof header) != sizeof header)
        return member_error(MessageId::kZipTruncated, *member);
    member->flags = platform::load_le16(header + 6);
    member->method = platform::load_le16(header + 8);
    member->crc = platform::load_le32(header + 14);
    const uint32_t compressed = platform::load_le32(header + 18);
    const uint32_t uncompressed = platform::load_le32(header + 22);
    member->compressed_size = compressed;
    member->uncompressed_size = uncompressed;
    const size_t name_length = platform::load_le16(header + 26);
    const size_t extra_length = platform::load_le16(header + 28);
    // Name and extra field are at most 64 KiB each: read them whole.
    std::vector<uint8_t> variable(name_length + extra_length);
    if (input.read(variable.data(), variable.size()) != variable.size())
        return member_error(MessageId::kZipTruncated, *member);
    member->name = shown_name(variable.data(), name_length);
    read_zip64_extra(variable.data() + name_length, extra_length, member,
                     uncompressed == kZip64Marker, compressed == kZip64Marker);
    member->sizes_follow = (member->flags & kSizesFollowFlag) != 0;

    if (member->flags & kEncryptedFlag) return member_error(MessageId::kZipEncrypted, *member);
    if (member->method != kStored && member->method != kDeflated)
        return member_error(MessageId::kZipMethodUnsupported, *member);
    // Stored data has no end of its own: without its size in front it
    // cannot be found in a stream.
    if (member->method == kStored && member->sizes_follow)
        return member_error(MessageId::kZipStoredWithDescriptor, *member);
    if (!member->sizes_follow && (compressed == kZip64Marker || uncompressed == kZip64Marker) &&
        !member->zip64)
        return member_error(MessageId::kZipSizeMismatch, *member);
    return ZipNext::kMember;
}

ZipMemberLayer::ZipMemberLayer(BufferedInput& archive, ZipMember member)
    : archive_(archive), member_(std::move(member)) {
    crc_ = static_cast<uint32_t>(crc32(0, nullptr, 0));
    if (member_.method == kDeflated) inflater_ready_ = inflateInit2(&inflater_, -MAX_WBITS) == Z_OK;
}

ZipMemberLayer::~ZipMemberLayer() {
    if (inflater_ready_) inflateEnd(&inflater_);
}

Status ZipMemberLayer::fail(MessageId id) {
    ended_ = true;
    return member_error(id, member_);
}

size_t ZipMemberLayer::read(uint8_t* out, size_t capacity, Status* status) {
    if (ended_ || capacity == 0) return 0;
    const size_t count = member_.method == kStored ? read_stored(out, capacity, status)
                                                   : read_deflated(out, capacity, status);
    if (count > 0) {
        crc_ = static_cast<uint32_t>(crc32(crc_, out, static_cast<uInt>(count)));
        unpacked_ += count;
    }
    return count;
}

size_t ZipMemberLayer::read_stored(uint8_t* out, size_t capacity, Status* status) {
    const uint64_t left = member_.compressed_size - consumed_;
    if (left == 0) {
        *status = finish();
        return 0;
    }
    const size_t want = static_cast<size_t>(std::min<uint64_t>(left, capacity));
    const size_t got = archive_.read(out, want);
    consumed_ += got;
    if (got == 0) *status = fail(MessageId::kZipTruncated);
    return got;
}

size_t ZipMemberLayer::read_deflated(uint8_t* out, size_t capacity, Status* status) {
    if (stream_ended_) {
        *status = finish();
        return 0;
    }
    if (!inflater_ready_) {
        *status = fail(MessageId::kZipBadData);
        return 0;
    }
    inflater_.next_out = out;
    inflater_.avail_out = static_cast<uInt>(std::min<size_t>(capacity, UINT32_MAX));
    const uInt room = inflater_.avail_out;
    while (inflater_.avail_out > 0 && !stream_ended_) {
        // With sizes in front, no more is taken than the header claims;
        // without, the deflate stream finds its own end.
        uint64_t allowed = archive_.size();
        if (!member_.sizes_follow)
            allowed = std::min<uint64_t>(allowed, member_.compressed_size - consumed_);
        if (allowed == 0) {
            if (!member_.sizes_follow && consumed_ == member_.compressed_size) {
                *status = fail(MessageId::kZipSizeMismatch);
                return 0;
            }
            if (!archive_.fill()) {
                *status = fail(MessageId::kZipTruncated);
                return 0;
            }
            continue;
        }
        inflater_.next_in = const_cast<Bytef*>(archive_.data());
        inflater_.avail_in = static_cast<uInt>(std::min<uint64_t>(allowed, UINT32_MAX));
        const uInt offered = inflater_.avail_in;
        const int code = inflate(&inflater_, Z_NO_FLUSH);
        const uInt taken = offered - inflater_.avail_in;
        archive_.consume(taken);
        consumed_ += taken;
        if (code == Z_STREAM_END) {
            stream_ended_ = true;
        } else if (code != Z_OK) {
            // Input and room were both offered; anything but progress is damage.
            *status = fail(MessageId::kZipBadData);
            return 0;
        }
    }
    const size_t produced = room - inflater_.avail_out;
    if (produced == 0) *status = finish();
    return produced;
}

Status ZipMemberLayer::finish() {
    ended_ = true;
    if (member_.sizes_follow) {
        if (Status read = read_descriptor(); !read.ok()) return read;
    }
    if (consumed_ != member_.compressed_size || unpacked_ != member_.uncompressed_size)
        return fail(MessageId::kZipSizeMismatch);
    if (crc_ != member_.crc) return fail(MessageId::kZipChecksumMismatch);
    return Status();
}

Status ZipMemberLayer::read_descriptor() {
    const size_t sizes = member_.zip64 ? 16 : 8;
    uint8_t bytes[4 + 4 + 16];
    archive_.fill(4 + 4 + sizes);
    size_t at = 0;
    // The signature is optional. A checksum that happens to equal it is
    // told apart by the word after it, which is then the checksum again.
    if (archive_.size() >= 4 && platform::load_le32(archive_.data()) == kDescriptorSignature &&
        (crc_ != kDescriptorSignature ||
         (archive_.size() >= 8 && platform::load_le32(archive_.data() + 4) == crc_)))
        at = 4;
    if (archive_.read(bytes, at + 4 + sizes) != at + 4 + sizes)
        return fail(MessageId::kZipTruncated);
    member_.crc = platform::load_le32(bytes + at);
    if (member_.zip64) {
        member_.compressed_size = platform::load_le64(bytes + at + 4);
        member_.uncompressed_size = platform::load_le64(bytes + at + 12);
    } else {
        member_.compressed_size = platform::load_le32(bytes + at + 4);
        member_.uncompressed_size = platform::load_le32(bytes + at + 8);
    }
    return Status();
}

}  // namespace orvane::import
