#include "store/io.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace orvane::store {

namespace {

constexpr uint32_t kRetryDelayMs = 500;
// Adjacent units are written to the file in one transfer up to this size.
constexpr size_t kWriteRun = 1u << 20;

// Runs `transfer` once, and with DB_RETRY_IO again after a pause; with
// DB_CALLBACK_LOCK also after reopening the file, for files on a network
// share that lost their connection.
template <typename Transfer>
bool with_retry(Db& db, Transfer transfer) {
    if (transfer() == 0) return true;
    if (!db.retry_io) return false;
    db.env->sleep_ms(kRetryDelayMs);
    if (transfer() == 0) return true;
    if (!(db.flags & DB_CALLBACK_LOCK)) return false;
    db.env->sleep_ms(kRetryDelayMs);
    db.file.close();
    if (open_file(db) != 0) {
        db.env->sleep_ms(kRetryDelayMs);
        if (open_file(db) != 0) return false;
    }
    if (transfer() == 0) return true;
    db.env->sleep_ms(kRetryDelayMs);
    return transfer() == 0;
}

bool disk_read(Db& db, uint64_t offset, void* buffer, size_t length) {
    return with_retry(db, [&] { return db.file.read_at(offset, buffer, length); });
}

bool disk_write(Db& db, uint64_t offset, const void* buffer, size_t length) {
    return with_retry(db, [&] { return db.file.write_at(offset, buffer, length); });
}

uint64_t unit_start(const PeriodWrites& w, uint64_t unit) {
    return unit * w.unit;
}

// The period's content at [offset, offset + length) outside the pending
// units: from the file below min(cut, disk size), zeros from there on.
bool read_stored(Db& db, uint64_t offset, uint8_t* out, size_t length) {
    const PeriodWrites& w = db.writes;
    const uint64_t stored_end = std::min(w.cut, w.disk_size);
    const size_t from_disk =
        offset < stored_end ? static_cast<size_t>(std::min<uint64_t>(length, stored_end - offset))
                            : 0;
    if (from_disk && !disk_read(db, offset, out, from_disk)) return false;
    std::memset(out + from_disk, 0, length - from_disk);
    return true;
}

// Begins the period's buffer at its first write.
bool start_writes(Db& db) {
    if (db.writes.active) return true;
    uint64_t size = 0;
    if (db.file.size(&size) != 0) return false;
    db.writes.begin(size, db.blocksize());
    db.journal.begin(size, db.blocksize());
    return true;
}

// The units whose before-images must be in the journal before this batch
// reaches the file: pending or cut-off units that lay in the file when the
// period began and are not journaled yet. In ascending order.
std::vector<uint64_t> units_to_journal(const PeriodWrites& w) {
    std::vector<uint64_t> units;
    const uint64_t existing = (w.start_size + w.unit - 1) / w.unit;
    for (const auto& entry : w.pending)
        if (entry.first < existing && !w.journaled.count(entry.first)) units.push_back(entry.first);
    if (w.cut < w.start_size) {
        for (uint64_t unit = w.cut / w.unit; unit < existing; ++unit)
            if (!w.pending.count(unit) && !w.journaled.count(unit)) units.push_back(unit);
    }
    std::sort(units.begin(), units.end());
    return units;
}

bool journal_before_images(Db& db) {
    PeriodWrites& w = db.writes;
    if (w.start_size == 0) return true;  // a new file: undoing it is cutting it to nothing
    const std::vector<uint64_t> units = units_to_journal(w);
    std::vector<uint8_t> image;
    for (size_t i = 0; i < units.size();) {
        // A run of adjacent units is read at once.
        size_t j = i + 1;
        while (j < units.size() && units[j] == units[j - 1] + 1 && (j - i) * w.unit < kWriteRun)
            ++j;
        const uint64_t start = unit_start(w, units[i]);
        const uint64_t end = std::min(unit_start(w, units[j - 1] + 1), w.start_size);
        image.resize(static_cast<size_t>(end - start));
        if (!disk_read(db, start, image.data(), image.size())) return false;
        for (size_t k = i; k < j; ++k) {
            const uint64_t at = unit_start(w, units[k]);
            const size_t length = static_cast<size_t>(std::min<uint64_t>(w.unit, end - at));
            db.journal.add(at, image.data() + (at - start), length);
        }
        i = j;
    }
    if (!with_retry(db, [&db] { return db.journal.sync(db.file); })) return false;
    w.journaled.insert(units.begin(), units.end());
    return true;
}

// Writes the pending units to the file, each run of adjacent units in one
// transfer, ascending (the header's unit first).
bool write_pending(Db& db) {
    PeriodWrites& w = db.writes;
    std::vector<uint8_t>& run = w.run;
    run.clear();
    uint64_t run_start = 0;
    auto flush_run = [&] {
        if (run.empty()) return true;
        const size_t length =
            static_cast<size_t>(std::min<uint64_t>(run.size(), w.size - run_start));
        if (!disk_write(db, run_start, run.data(), length)) return false;
        w.disk_size = std::max(w.disk_size, run_start + length);
        run.clear();
        return true;
    };
    for (const auto& [unit, bytes] : w.pending) {
        const uint64_t start = unit_start(w, unit);
        if (!run.empty() && (run_start + run.size() != start || run.size() >= kWriteRun)) {
            if (!flush_run()) return false;
        }
        if (run.empty()) run_start = start;
        run.insert(run.end(), bytes.begin(), bytes.end());
    }
    return flush_run();
}

// Sends the pending units to the file behind their before-images.
bool spill(Db& db) {
    PeriodWrites& w = db.writes;
    if (!journal_before_images(db)) return false;
    if (w.cut < w.disk_size) {
        if (db.file.set_size(w.cut) != 0) return false;
        w.disk_size = w.cut;
    }
    if (!write_pending(db)) return false;
    if (w.disk_size != w.size) {
        if (db.file.set_size(w.size) != 0) return false;
        w.disk_size = w.size;
    }
    w.release_pending();
    w.cut = w.size;
    return true;
}

bool failed(Db& db) {
    db.write_failed = true;
    return false;
}

}  // namespace

int open_file(Db& db) {
    using namespace platform;
    const Share share = (db.flags & DB_SHARED) ? Share::ReadWrite : Share::None;
    const Access access = db.file_read_only ? Access::Read : Access::ReadWrite;
    return db.file.open(db.name, access, share, Disposition::OpenExisting);
}

bool read_exact(Db& db, uint64_t offset, void* buffer, size_t length) {
    const PeriodWrites& w = db.writes;
    if (!w.active || (w.pending.empty() && w.cut == w.size && w.disk_size == w.size))
        return disk_read(db, offset, buffer, length);
    if (offset + length > w.size) return false;
    auto* out = static_cast<uint8_t*>(buffer);
    // Pieces from pending units are copied; the stretches between them are
    // read from the file in one transfer each.
    uint64_t stored_from = offset;
    const uint64_t end = offset + length;
    for (uint64_t at = offset; at < end;) {
        const uint64_t unit = at / w.unit;
        const uint64_t piece_end = std::min(end, unit_start(w, unit + 1));
        auto page = w.pending.find(unit);
        if (page != w.pending.end()) {
            if (stored_from < at && !read_stored(db, stored_from, out + (stored_from - offset),
                                                 static_cast<size_t>(at - stored_from)))
                return false;
            std::memcpy(out + (at - offset), page->second.data() + (at - unit_start(w, unit)),
                        static_cast<size_t>(piece_end - at));
            stored_from = piece_end;
        }
        at = piece_end;
    }
    return stored_from >= end || read_stored(db, stored_from, out + (stored_from - offset),
                                             static_cast<size_t>(end - stored_from));
}

bool write_exact(Db& db, uint64_t offset, const void* buffer, size_t length) {
    if (!start_writes(db)) return failed(db);
    PeriodWrites& w = db.writes;
    const auto* in = static_cast<const uint8_t*>(buffer);
    const uint64_t end = offset + length;
    for (uint64_t at = offset; at < end;) {
        const uint64_t unit = at / w.unit;
        const uint64_t start = unit_start(w, unit);
        const uint64_t piece_end = std::min(end, start + w.unit);
        auto page = w.pending.find(unit);
        if (page == w.pending.end()) {
            page = w.pending.emplace(unit, w.new_page()).first;
            const bool whole = at == start && piece_end == start + w.unit;
            if (!whole && start < w.size &&
                !read_stored(db, start, page->second.data(),
                             static_cast<size_t>(std::min<uint64_t>(w.unit, w.size - start))))
                return failed(db);
        }
        std::memcpy(page->second.data() + (at - start), in + (at - offset),
                    static_cast<size_t>(piece_end - at));
        at = piece_end;
    }
    w.size = std::max(w.size, end);
    if (w.pending_bytes() > w.limit && !spill(db)) return failed(db);
    return true;
}

bool write_zeros(Db& db, uint64_t offset, uint64_t length) {
    static const uint8_t kZeros[16384] = {};
    while (length > 0) {
        const size_t piece = static_cast<size_t>(std::min<uint64_t>(length, sizeof kZeros));
        if (!write_exact(db, offset, kZeros, piece)) return false;
        offset += piece;
        length -= piece;
    }
    return true;
}

bool file_size(Db& db, uint64_t* size) {
    if (db.writes.active) {
        *size = db.writes.size;
        return true;
    }
    return db.file.size(size) == 0;
}

bool set_file_size(Db& db, uint64_t size) {
    if (!start_writes(db)) return failed(db);
    PeriodWrites& w = db.writes;
    if (size < w.size) {
        // Units past the new end go; the one it falls in keeps zeros after it.
        w.pending.erase(w.pending.lower_bound((size + w.unit - 1) / w.unit), w.pending.end());
        auto last = w.pending.find(size / w.unit);
        if (last != w.pending.end())
            std::fill(last->second.begin() + static_cast<long>(size % w.unit), last->second.end(),
                      0);
        w.cut = std::min(w.cut, size);
    }
    w.size = size;
    return true;
}

int32_t commit_writes(Db& db) {
    if (!db.writes.active) return kDbOk;
    if (!spill(db) || db.file.flush() != 0) return kDbWriteError;
    if (db.journal.started() && !with_retry(db, [&db] { return db.journal.clear(); }))
        return kDbWriteError;
    db.writes.end();
    return kDbOk;
}

int32_t roll_back_writes(Db& db) {
    PeriodWrites& w = db.writes;
    if (!w.active) return kDbOk;
    int32_t result = kDbOk;
    // A journal is live once its header reached the file, even when the
    // flush that was to follow failed. A new file has none: undoing its
    // first period is cutting it to nothing.
    bool restored = false;
    if (db.journal.roll_back(db.file, &restored) != 0)
        result = kDbWriteError;
    else if (w.start_size == 0 && w.disk_size != 0 && db.file.set_size(0) != 0)
        result = kDbWriteError;
    if (result) db.recovery_needed = true;
    w.end();
    return result;
}

}  // namespace orvane::store
