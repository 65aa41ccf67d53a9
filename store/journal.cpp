#include "store/journal.h"

#include <fcntl.h>
#include <zlib.h>

#include <cerrno>
#include <random>

#include "platform/bytes.h"

namespace orvane::store {

using platform::load_le32;
using platform::store_le32;

namespace {

uint64_t load_le64(const uint8_t* p) {
    return load_le32(p) | static_cast<uint64_t>(load_le32(p + 4)) << 32;
}
void store_le64(uint8_t* p, uint64_t v) {
    store_le32(p, static_cast<uint32_t>(v));
    store_le32(p + 4, static_cast<uint32_t>(v >> 32));
}

constexpr uint8_t kMagic[4] = {0x5A, 0x74, 0x4A, 0x4C};  // "ZtJL"
constexpr uint32_t kVersion = 1;
constexpr size_t kHeaderSize = 32;
constexpr size_t kEntryHeaderSize = 12;

uint32_t crc32_of(uint32_t crc, const uint8_t* bytes, size_t length) {
    return static_cast<uint32_t>(::crc32(crc, bytes, static_cast<uInt>(length)));
}

uint32_t entry_crc(uint32_t salt, const uint8_t* entry_header, const uint8_t* image,
                   size_t length) {
    uint8_t salt_bytes[4];
    store_le32(salt_bytes, salt);
    uint32_t crc = crc32_of(0, salt_bytes, 4);
    crc = crc32_of(crc, entry_header, kEntryHeaderSize);
    return crc32_of(crc, image, length);
}

// The change counter at offset 4 of the database; 0 for a file too short
// to have one.
uint32_t database_counter(const platform::File& database) {
    uint8_t bytes[4];
    return database.read_at(4, bytes, 4) == 0 ? load_le32(bytes) : 0;
}

std::string directory_of(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

uint32_t fresh_salt() {
    thread_local std::minstd_rand generator(std::random_device{}());
    return static_cast<uint32_t>(generator());
}

}  // namespace

Journal::Journal(platform::Env& env) : env_(&env), file_(env) {}

std::string Journal::path_for(const std::string& database) {
    return database + ".jnl";
}

void Journal::begin(uint64_t size, uint32_t unit) {
    started_ = false;
    start_size_ = size;
    unit_ = unit;
    end_ = 0;
    queue_.clear();
    salt_ = fresh_salt();
}

void Journal::add(uint64_t offset, const uint8_t* bytes, size_t length) {
    const size_t at = queue_.size();
    queue_.resize(at + kEntryHeaderSize + length + 4);
    uint8_t* entry = queue_.data() + at;
    store_le64(entry, offset);
    store_le32(entry + 8, static_cast<uint32_t>(length));
    std::copy(bytes, bytes + length, entry + kEntryHeaderSize);
    store_le32(entry + kEntryHeaderSize + length, entry_crc(salt_, entry, bytes, length));
}

int Journal::open_existing(bool* exists) {
    *exists = file_.is_open();
    if (*exists) return 0;
    int error = file_.open(path_, platform::Access::ReadWrite, platform::Share::ReadWrite,
                           platform::Disposition::OpenExisting);
    // Beside a file that is read-only on disk the journal is only looked at.
    if (error == EACCES || error == EPERM || error == EROFS)
        error = file_.open(path_, platform::Access::Read, platform::Share::ReadWrite,
                           platform::Disposition::OpenExisting);
    if (error == ENOENT) return 0;
    *exists = error == 0;
    return error;
}

int Journal::create() {
    bool exists = false;
    if (int error = open_existing(&exists)) return error;
    if (exists) return 0;
    if (int error = file_.open(path_, platform::Access::ReadWrite, platform::Share::ReadWrite,
                               platform::Disposition::OpenAlways))
        return error;
    // The new name must outlive a power cut as surely as what is written
    // under it.
    int directory = -1;
    if (int error =
            env_->open(directory_of(path_), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0, &directory))
        return error;
    const int error = env_->fsync(directory);
    env_->close(directory);
    return error;
}

std::vector<uint8_t> Journal::header_bytes() const {
    std::vector<uint8_t> header(kHeaderSize, 0);
    std::copy(kMagic, kMagic + 4, header.begin());
    store_le32(&header[4], kVersion);
    store_le32(&header[8], salt_);
    store_le32(&header[12], counter_);
    store_le64(&header[16], start_size_);
    store_le32(&header[24], unit_);
    store_le32(&header[28], crc32_of(0, header.data(), 28));
    return header;
}

int Journal::sync(const platform::File& database) {
    if (queue_.empty() && started_) return 0;
    if (int error = create()) return error;
    if (!started_) {
        counter_ = database_counter(database);
        const std::vector<uint8_t> header = header_bytes();
        queue_.insert(queue_.begin(), header.begin(), header.end());
    }
    if (int error = file_.write_at(end_, queue_.data(), queue_.size())) return error;
    if (int error = file_.flush()) return error;
    started_ = true;
    end_ += queue_.size();
    queue_.clear();
    return 0;
}

int Journal::clear() {
    if (!file_.is_open()) {
        started_ = false;
        return 0;
    }
    // A zeroed header is the durable end of the journal. Until it is
    // flushed the journal must stay usable, so a failure puts the header
    // back and the period can still be undone from it.
    static const uint8_t kZeros[kHeaderSize] = {};
    int error = file_.write_at(0, kZeros, sizeof kZeros);
    if (!error) error = file_.flush();
    if (error) {
        const std::vector<uint8_t> header = header_bytes();
        (void)file_.write_at(0, header.data(), header.size());  // the first error is reported
        return error;
    }
    (void)file_.set_size(0);  // only gives the space back: the journal is dead already
    started_ = false;
    end_ = 0;
    queue_.clear();
    return 0;
}

int Journal::read_header(bool* valid) {
    *valid = false;
    uint8_t header[kHeaderSize];
    const int error = file_.read_at(0, header, sizeof header);
    if (error == platform::kShortRead) return 0;
    if (error) return error;
    if (!std::equal(kMagic, kMagic + 4, header) || load_le32(header + 4) != kVersion ||
        load_le32(header + 28) != crc32_of(0, header, 28))
        return 0;
    salt_ = load_le32(header + 8);
    counter_ = load_le32(header + 12);
    start_size_ = load_le64(header + 16);
    unit_ = load_le32(header + 24);
    *valid = true;
    return 0;
}

int Journal::is_live(bool* live) {
    *live = false;
    bool exists = false;
    if (int error = open_existing(&exists)) return error;
    if (!exists) return 0;
    return read_header(live);
}

int Journal::roll_back(platform::File& database, bool* restored) {
    *restored = false;
    bool live = false;
    if (int error = is_live(&live)) return error;
    if (!live) return 0;
    const uint32_t counter = database_counter(database);
    // The period bumps the counter once: the database holds the old value
    // or the new one. Anything else is not the file this journal was for.
    if (counter != counter_ && counter != counter_ + 1) return clear();

    std::vector<uint8_t> image;
    for (uint64_t at = kHeaderSize;;) {
        uint8_t entry[kEntryHeaderSize];
        int error = file_.read_at(at, entry, sizeof entry);
        if (error == platform::kShortRead) break;
        if (error) return error;
        const uint64_t offset = load_le64(entry);
        const uint32_t length = load_le32(entry + 8);
        if (length > unit_) break;
        image.resize(length + 4);
        error = file_.read_at(at + kEntryHeaderSize, image.data(), image.size());
        if (error == platform::kShortRead) break;
        if (error) return error;
        if (load_le32(&image[length]) != entry_crc(salt_, entry, image.data(), length)) break;
        if (int write_error = database.write_at(offset, image.data(), length)) return write_error;
        at += kEntryHeaderSize + length + 4;
    }
    if (int error = database.set_size(start_size_)) return error;
    if (int error = database.flush()) return error;
    *restored = true;
    return clear();
}

void Journal::remove_if_empty() {
    if (!file_.is_open()) return;
    bool live = false;
    const bool keep = read_header(&live) != 0 || live;
    file_.close();
    // An empty journal that reappears after a power cut is as good as none.
    if (!keep) (void)env_->unlink(path_);
}

}  // namespace orvane::store
