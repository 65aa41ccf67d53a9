// DbCheck: reading every block and record and saying what is wrong, without
// changing anything.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "store/block.h"
#include "store/header_check.h"
#include "store/index_area.h"
#include "store/io.h"
#include "store/keys.h"
#include "store/lz.h"
#include "store/open_block.h"
#include "store/period.h"

namespace orvane::store {

namespace {

class Checker {
  public:
    Checker(Db& db, DbCheckReport* report) : db_(db), report_(report) {}

    int32_t run();

  private:
    void problem(const std::string& where, const std::string& what) {
        report_->problems.push_back(where + ": " + what);
    }
    std::string detail_text(int32_t result) const {
        return DbErrorText(db_.last_detail ? db_.last_detail : result);
    }
    void check_header();
    void check_padding();
    void check_data_block(size_t position);
    void check_long_record(const std::string& where, const DataPart& part);

    Db& db_;
    DbCheckReport* report_;
    std::vector<bool> extension_used_;
    std::string previous_key_;
    bool have_previous_ = false;
};

void Checker::check_long_record(const std::string& where, const DataPart& part) {
    std::vector<uint8_t> stream;
    for (uint32_t i = 0; i < part.blocks; ++i) {
        const size_t position = db_.index.find_extension(part.base + i);
        if (position == Index::npos) {
            problem(where, "extension block " + std::to_string(part.base + i) + " is missing");
            return;
        }
        extension_used_[position] = true;
        db_.last_detail = 0;
        if (int32_t error =
                read_extension_block(db_, db_.index.block(position), part.base + i, &stream)) {
            problem(where + ", block " + std::to_string(db_.index.block(position)),
                    detail_text(error));
            return;
        }
    }
    if (part.compressed) {
        std::vector<uint8_t> expanded(part.length);
        if (LzExpand(stream.data(), stream.size(), expanded.data(), expanded.size()) !=
            LzResult::Exact)
            problem(where, DbErrorText(kDbLzLength));
    } else if (stream.size() != part.length) {
        problem(where, "its extension blocks hold " + std::to_string(stream.size()) +
                           " bytes, not " + std::to_string(part.length));
    }
}

void Checker::check_data_block(size_t position) {
    const uint32_t block = db_.index.block(position);
    const std::string where = "block " + std::to_string(block);
    forget_buffer(db_);
    db_.last_detail = 0;
    if (int32_t error = load_block(db_, position)) {
        problem(where, detail_text(error));
        return;
    }
    // The long records are checked after the walk, which the extension
    // reads would disturb.
    std::vector<std::pair<std::string, DataPart>> long_records;
    RecordCursor cursor(db_.area_bytes(), db_.area_length(), db_.area_flags() & kBlockPrefixKeys);
    size_t count = 0;
    while (cursor.next()) {
        ++count;
        ++report_->records;
        const std::string key(reinterpret_cast<const char*>(cursor.key()), cursor.key_length());
        if (have_previous_ &&
            compare_keys(db_, reinterpret_cast<const uint8_t*>(previous_key_.data()),
                         previous_key_.size(), cursor.key(), cursor.key_length()) >= 0)
            problem(where, "keys out of order");
        previous_key_ = key;
        have_previous_ = true;
        if (cursor.data().is_long) long_records.emplace_back(key, cursor.data());
    }
    if (cursor.malformed()) problem(where, "a record runs past the end of the block");
    if (count == 0 && db_.index.data_count() > 1) problem(where, DbErrorText(kDbRepairEmptyBlock));
    for (const auto& [key, part] : long_records) {
        ++report_->long_records;
        check_long_record(where + ", long record of " + std::to_string(key.size()) + "-byte key",
                          part);
    }
}

void Checker::check_header() {
    HeaderBytes header;
    if (!read_exact(db_, 0, header.data(), header.size())) {
        problem("header", DbErrorText(kDbReadError));
        return;
    }
    DbHeaderReport state;
    examine_header(header, &state);
    report_->problems.insert(report_->problems.end(), state.problems.begin(), state.problems.end());
}

// The format keeps zeros behind the index in block 0 and behind the stored
// bytes of every block; a repair writes them again.
void Checker::check_padding() {
    const uint32_t blocksize = db_.blocksize();
    std::vector<uint8_t> bytes(blocksize);
    const size_t index_end =
        kHeaderSize + (index_in_block0(db_) ? static_cast<size_t>(index_area_size(db_)) : 0);
    auto zero_from = [&bytes](size_t from) {
        return std::all_of(bytes.begin() + static_cast<long>(from), bytes.end(),
                           [](uint8_t b) { return b == 0; });
    };
    if (read_exact(db_, 0, bytes.data(), blocksize) && !zero_from(index_end))
        problem("block 0", "bytes that are not zero behind the index");
    for (uint32_t block = 0; block < db_.index.count(); ++block) {
        if (read_raw_block(db_, block, bytes.data()) != kDbOk) continue;  // reported elsewhere
        const size_t header = bytes[1] == kExtensionMarker ? kExtensionHeaderSize : kDataHeaderSize;
        const size_t stored = platform::load_le16(&bytes[2]);
        if (header + stored <= blocksize && !zero_from(header + stored))
            problem("block " + std::to_string(block),
                    "bytes that are not zero behind its stored bytes");
    }
}

int32_t Checker::run() {
    // Every block is read from the file, none taken from the cache.
    forget_blocks(db_);
    const Index& index = db_.index;
    report_->blocks = index.count();
    check_header();
    check_padding();
    uint64_t size = 0;
    if (!file_size(db_, &size)) return kDbReadError;
    if (size != expected_file_size(db_))
        problem("file", "size " + std::to_string(size) + ", expected " +
                            std::to_string(expected_file_size(db_)));
    for (size_t i = 1; i < index.extension_count(); ++i)
        if (index.extension_key(i - 1) >= index.extension_key(i))
            problem("index", "extension keys out of order");
    extension_used_.assign(index.extension_count(), false);
    for (size_t position = index.data_begin(); position < index.count(); ++position)
        check_data_block(position);
    for (size_t i = 0; i < index.extension_count(); ++i) {
        if (extension_used_[i]) continue;
        std::vector<uint8_t> payload;
        db_.last_detail = 0;
        const std::string where = "block " + std::to_string(index.block(i));
        if (int32_t error =
                read_extension_block(db_, index.block(i), index.extension_key(i), &payload))
            problem(where, detail_text(error));
        problem(where, "extension block " + std::to_string(index.extension_key(i)) +
                           " belongs to no record");
    }
    forget_buffer(db_);
    return kDbOk;
}

}  // namespace

int32_t DbCheck(DbHandle handle, DbCheckReport* report) {
    if (!report) return kDbBadParameter;
    if (int32_t error = begin_operation(handle, Intent::Read)) return error;
    // The check reads blocks from the file.
    if (int32_t error = close_open_block(*handle)) return end_operation(*handle, error);
    *report = DbCheckReport{};
    return end_operation(*handle, Checker(*handle, report).run());
}

}  // namespace orvane::store
