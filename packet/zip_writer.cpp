#include "packet/zip_writer.h"

#include <zlib.h>

#include <cstdio>
#include <vector>

#include "packet/dos_time.h"
#include "platform/bytes.h"
#include "platform/file.h"

namespace orvane::packet {

using platform::store_le16;
using platform::store_le32;

namespace {

constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kChunk = 64 * 1024;
constexpr uint16_t kVersion = 20;
constexpr uint16_t kDeflated = 8;
constexpr uint16_t kStored = 0;

// The fields that are known only after compressing: method, time, date,
// CRC-32, compressed and uncompressed size (the local header from offset 8).
struct EntryFields {
    uint16_t method = kStored;
    DosDateTime stamp;
    uint32_t crc = 0;
    uint32_t compressed = 0;
    uint32_t uncompressed = 0;
};

void put_entry_fields(uint8_t* p, const EntryFields& f) {
    store_le16(p, f.method);
    store_le16(p + 2, f.stamp.time);
    store_le16(p + 4, f.stamp.date);
    store_le32(p + 6, f.crc);
    store_le32(p + 10, f.compressed);
    store_le32(p + 14, f.uncompressed);
}

std::vector<uint8_t> local_header(const std::string& name) {
    std::vector<uint8_t> h(kLocalHeaderSize + name.size(), 0);
    store_le32(h.data(), 0x04034B50);
    store_le16(h.data() + 4, kVersion);
    store_le16(h.data() + 26, static_cast<uint16_t>(name.size()));
    std::copy(name.begin(), name.end(), h.begin() + kLocalHeaderSize);
    return h;
}

std::vector<uint8_t> central_directory(const std::string& name, const EntryFields& f,
                                       uint32_t central_offset) {
    std::vector<uint8_t> c(kCentralHeaderSize + name.size() + kEndRecordSize, 0);
    uint8_t* p = c.data();
    store_le32(p, 0x02014B50);
    store_le16(p + 4, kVersion);
    store_le16(p + 6, kVersion);
    put_entry_fields(p + 10, f);
    store_le16(p + 28, static_cast<uint16_t>(name.size()));
    store_le16(p + 36, 1);  // internal attributes: text file
    std::copy(name.begin(), name.end(), c.begin() + kCentralHeaderSize);

    uint8_t* end = p + kCentralHeaderSize + name.size();
    store_le32(end, 0x06054B50);
    store_le16(end + 8, 1);
    store_le16(end + 10, 1);
    store_le32(end + 12, static_cast<uint32_t>(kCentralHeaderSize + name.size()));
    store_le32(end + 16, central_offset);
    return c;
}

// Streams the source through raw Deflate into the target at `offset`.
int deflate_into(const platform::File& source, platform::File& target, uint64_t offset, int level,
                 EntryFields* fields) {
    z_stream stream{};
    int rc = deflateInit2(&stream, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    if (rc != Z_OK) return rc;
    std::vector<uint8_t> in(kChunk), out(kChunk);
    uint64_t read_at = 0, written = 0;
    uLong crc = crc32(0, nullptr, 0);
    int result = 0;
    for (bool done = false; !done && result == 0;) {
        size_t count = 0;
        if (source.read_some_at(read_at, in.data(), in.size(), &count)) {
            result = kZipSourceNotOpened;
            break;
        }
        read_at += count;
        crc = crc32(crc, in.data(), static_cast<uInt>(count));
        int flush = count < in.size() ? Z_FINISH : Z_NO_FLUSH;
        stream.next_in = in.data();
        stream.avail_in = static_cast<uInt>(count);
        do {
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            rc = deflate(&stream, flush);
            if (rc == Z_STREAM_ERROR) {
                result = rc;
                break;
            }
            size_t produced = out.size() - stream.avail_out;
            if (target.write_at(offset + written, out.data(), produced)) {
                result = kZipTargetNotCreated;
                break;
            }
            written += produced;
        } while (stream.avail_out == 0);
        done = rc == Z_STREAM_END;
    }
    deflateEnd(&stream);
    if (result) return result;
    if (read_at > UINT32_MAX || written > UINT32_MAX)
        return kZipTargetNotCreated;  // beyond a plain ZIP
    fields->crc = static_cast<uint32_t>(crc);
    fields->uncompressed = static_cast<uint32_t>(read_at);
    fields->compressed = static_cast<uint32_t>(written);
    return 0;
}

int write_archive(const platform::File& source, platform::File& target, const std::string& name,
                  int level, std::time_t source_time) {
    EntryFields fields;
    fields.stamp = dos_date_time(source_time);
    std::vector<uint8_t> header = local_header(name);
    if (target.write_at(0, header.data(), header.size())) return kZipTargetNotCreated;

    uint64_t size = 0;
    if (source.size(&size)) return kZipSourceNotOpened;
    if (size > 0) {
        fields.method = kDeflated;
        if (int rc = deflate_into(source, target, header.size(), level, &fields)) return rc;
    }
    uint32_t central_offset = static_cast<uint32_t>(header.size() + fields.compressed);
    std::vector<uint8_t> central = central_directory(name, fields, central_offset);
    if (target.write_at(central_offset, central.data(), central.size()))
        return kZipTargetNotCreated;

    uint8_t patch[18];
    put_entry_fields(patch, fields);
    if (target.write_at(8, patch, sizeof patch)) return kZipTargetNotCreated;
    return 0;
}

}  // namespace

std::string zip_target_path(const std::string& source) {
    size_t slash = source.find_last_of('/');
    size_t dot = source.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        return source.substr(0, dot) + ".zip";
    return source + ".zip";
}

int zip_file(const std::string& source_path, int level, platform::Env& env) {
    std::string target_path = zip_target_path(source_path);
    if (platform::file_exists(target_path)) return kZipTargetExists;
    if (level < 1 || level > 9) level = 5;

    platform::File source(env);
    std::time_t source_time = 0;
    if (source.open(source_path, platform::Access::Read, platform::Share::Read,
                    platform::Disposition::OpenExisting) ||
        source.modification_time(&source_time)) {
        return kZipSourceNotOpened;
    }
    platform::File target(env);
    if (target.open(target_path, platform::Access::ReadWrite, platform::Share::None,
                    platform::Disposition::CreateNew)) {
        return kZipTargetNotCreated;
    }
    size_t slash = source_path.find_last_of('/');
    std::string name = slash == std::string::npos ? source_path : source_path.substr(slash + 1);

    int rc = write_archive(source, target, name, level, source_time);
    if (rc == 0 && target.flush()) rc = kZipTargetNotClosed;
    target.close();
    if (rc == 0 && platform::set_modification_time(target_path, source_time))
        rc = kZipTargetNotClosed;
    if (rc) (void)env.unlink(target_path);  // the zip error is the one to report
    return rc;
}

}  // namespace orvane::packet
