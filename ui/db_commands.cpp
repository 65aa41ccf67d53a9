// `orvane db ...`: looking inside and changing database files by hand. Keys
// and data are given and shown in hex, or as plain text with --text.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "platform/file.h"
#include "store/db.h"
#include "store/db_file.h"
#include "ui/cli.h"

namespace orvane::ui {

namespace {

using store::DbHandle;

struct DbArgs {
    std::string file;
    bool text = false;
};

bool decode_hex(const std::string& hex, std::string* out) {
    if (hex.size() % 2) return false;
    out->clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        int value = 0;
        for (size_t j = i; j < i + 2; ++j) {
            const char c = hex[j];
            int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
            if (digit < 0) return false;
            value = value * 16 + digit;
        }
        out->push_back(static_cast<char>(value));
    }
    return true;
}

std::string encode_hex(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}

std::string shown(const std::string& bytes, bool text) {
    return text ? bytes : encode_hex(bytes);
}

int engine_failure(const std::string& action, int32_t code) {
    print_error(action + ": " + store::DbErrorText(code));
    return 1;
}

// Turns the engine's callback into progress on the terminal and reports
// structural details as it meets them.
class DbReporter {
  public:
    DbReporter(CliContext& context, std::string title)
        : context_(context), title_(std::move(title)) {}

    store::DbCallback callback() {
        return
            [this](DbHandle, int32_t code, int32_t a, int32_t b) { return on_event(code, a, b); };
    }
    const std::vector<int32_t>& details() const { return details_; }

  private:
    int32_t on_event(int32_t code, int32_t a, int32_t b) {
        switch (code) {
            case store::kDbCallbackRepairIndex:
            case store::kDbCallbackCompact:
            case store::kDbCallbackDeleteRange:
            case store::kDbCallbackRepair:
                if (!progress_) progress_ = context_.ui.start_progress(title_);
                return progress_->update(static_cast<uint64_t>(a), static_cast<uint64_t>(b)) ? 1
                                                                                             : 0;
            case store::kDbCallbackLockWait:
                if (a == 0 && b == 1)
                    std::fprintf(stderr, "orvane: waiting until the database is free\n");
                return 100;
            default:
                if (code >= store::kDbIndexKeyLength) {
                    details_.push_back(code);
                    std::fprintf(stderr, "orvane: %s\n", store::DbErrorText(code));
                }
                return 1;
        }
    }

    CliContext& context_;
    std::string title_;
    std::unique_ptr<platform::Progress> progress_;
    std::vector<int32_t> details_;
};

// An open database that closes itself.
class OpenDb {
  public:
    int32_t open(const std::string& file, uint32_t flags, store::DbCallback callback = {}) {
        return store::DbOpen(db_.out(), file, flags, std::move(callback));
    }
    DbHandle get() const { return db_.get(); }
    int32_t close() { return db_.close(); }

  private:
    store::DbFile db_;
};

struct Record {
    int32_t result = 0;
    std::string key;
    std::string data;
};

// Finds a record by mode and reads its whole data.
int32_t read_record(DbHandle db, int mode, const std::string& key, Record* record) {
    char key_buffer[256];
    size_t key_length = 0, data_length = 0;
    record->result = store::DbGet(db, mode, key.data(), key.size(), key_buffer, &key_length,
                                  sizeof key_buffer, nullptr, &data_length, 0);
    if (record->result != store::kDbOk &&
        !(mode == store::GET_AT_OR_AFTER && record->result == store::kDbNotFound))
        return record->result;
    record->key = mode == store::GET_EXACT ? key : std::string(key_buffer, key_length);
    record->data.assign(data_length, '\0');
    const int32_t read =
        store::DbGet(db, store::GET_EXACT, record->key.data(), record->key.size(), nullptr, nullptr,
                     0, record->data.data(), &data_length, record->data.size());
    record->data.resize(data_length);
    return read;
}

int parse_key(const std::string& given, bool text, std::string* key) {
    if (text) {
        *key = given;
    } else if (!decode_hex(given, key)) {
        print_error("not a hex string: '" + given + "'");
        return 2;
    }
    return 0;
}

int run_create(CliContext& context, const DbArgs& args, int blocksize, int entry_size, bool prefix,
               bool compress) {
    (void)context;
    DbHandle db = nullptr;
    const uint32_t flags =
        (prefix ? store::DB_PREFIX_KEYS : 0) | (compress ? store::DB_COMPRESS : 0);
    if (int32_t error = store::DbCreate(&db, args.file, flags, blocksize, entry_size))
        return engine_failure("creating " + args.file, error);
    if (int32_t error = store::DbClose(db)) return engine_failure("writing " + args.file, error);
    return 0;
}

int run_put(const DbArgs& args, const std::string& key_arg, const std::string& data_arg,
            const std::string& data_file) {
    std::string key, data;
    if (int bad = parse_key(key_arg, args.text, &key)) return bad;
    if (!data_file.empty()) {
        if (int error = platform::read_whole_file(data_file, &data)) {
            print_error("cannot read '" + data_file + "': " + platform::file_error_text(error));
            return 1;
        }
    } else if (int bad = parse_key(data_arg, args.text, &data)) {
        return bad;
    }
    OpenDb db;
    if (int32_t error = db.open(args.file, 0)) return engine_failure("opening " + args.file, error);
    if (int32_t error = store::DbPut(db.get(), key.data(), key.size(), data.data(), data.size()))
        return engine_failure("writing " + args.file, error);
    if (int32_t error = db.close()) return engine_failure("writing " + args.file, error);
    return 0;
}

void print_record(const CliContext& context, const DbArgs& args, const Record& record,
                  bool with_data) {
    if (context.json) {
        std::printf("{\"key\": %s", json_quote(shown(record.key, args.text)).c_str());
        if (with_data)
            std::printf(", \"data\": %s", json_quote(shown(record.data, args.text)).c_str());
        std::printf("}");
        return;
    }
    std::printf("%s", shown(record.key, args.text).c_str());
    if (with_data) std::printf("\t%s", shown(record.data, args.text).c_str());
    std::printf("\n");
}

int mode_by_name(const std::string& name) {
    static const std::pair<const char*, int> kModes[] = {
        {"first", store::GET_FIRST}, {"prev", store::GET_PREV},
        {"exact", store::GET_EXACT}, {"next", store::GET_NEXT},
        {"last", store::GET_LAST},   {"at-or-after", store::GET_AT_OR_AFTER}};
    for (const auto& [mode_name, mode] : kModes)
        if (name == mode_name) return mode;
    return -1;
}

int run_get(CliContext& context, const DbArgs& args, const std::string& key_arg,
            const std::string& mode_name) {
    std::string key;
    if (int bad = parse_key(key_arg, args.text, &key)) return bad;
    OpenDb db;
    if (int32_t error = db.open(args.file, store::DB_READ_ONLY))
        return engine_failure("opening " + args.file, error);
    Record record;
    const int32_t result = read_record(db.get(), mode_by_name(mode_name), key, &record);
    if (result != store::kDbOk) return engine_failure("reading " + args.file, result);
    print_record(context, args, record, true);
    if (context.json) std::printf("\n");
    return 0;
}

int run_delete(const DbArgs& args, const std::string& key_arg) {
    std::string key;
    if (int bad = parse_key(key_arg, args.text, &key)) return bad;
    OpenDb db;
    if (int32_t error = db.open(args.file, 0)) return engine_failure("opening " + args.file, error);
    if (int32_t error = store::DbDelete(db.get(), key.data(), key.size()))
        return engine_failure("deleting from " + args.file, error);
    if (int32_t error = db.close()) return engine_failure("writing " + args.file, error);
    return 0;
}

int run_dump(CliContext& context, const DbArgs& args, bool with_data) {
    OpenDb db;
    if (int32_t error = db.open(args.file, store::DB_READ_ONLY))
        return engine_failure("opening " + args.file, error);
    if (int32_t error = store::DbLock(db.get()))
        return engine_failure("reading " + args.file, error);
    Record record;
    int32_t result = read_record(db.get(), store::GET_FIRST, "", &record);
    if (context.json) std::printf("[");
    for (bool first = true; result == store::kDbOk; first = false) {
        if (context.json && !first) std::printf(", ");
        print_record(context, args, record, with_data);
        const std::string previous = record.key;
        result = read_record(db.get(), store::GET_NEXT, previous, &record);
    }
    if (context.json) std::printf("]\n");
    store::DbAbandon(db.get());  // a reading period: nothing to commit
    if (result != store::kDbNoNext) return engine_failure("reading " + args.file, result);
    return 0;
}

int run_stat(CliContext& context, const DbArgs& args) {
    OpenDb db;
    if (int32_t error = db.open(args.file, store::DB_READ_ONLY))
        return engine_failure("opening " + args.file, error);
    store::DbStatistics s;
    if (int32_t error = store::DbStat(db.get(), &s))
        return engine_failure("reading " + args.file, error);
    const char* where = s.index_in_block0 ? "block 0" : "behind the blocks";
    if (context.json) {
        std::printf(
            "{\"version\": %d, \"block_size\": %d, \"entry_size\": %d, \"prefix_keys\": %s, "
            "\"compression\": %s, "
            "\"data_blocks\": %u, \"extension_blocks\": %u, \"records\": %llu, \"long_records\": "
            "%llu, "
            "\"index\": \"%s\", \"index_offset\": %llu, \"compressed_blocks\": %u, "
            "\"change_counter\": %u, "
            "\"file_size\": %llu}\n",
            s.version, s.blocksize, s.entry_size, s.options & 1 ? "true" : "false",
            s.options & 2 ? "true" : "false", s.data_blocks, s.extension_blocks,
            static_cast<unsigned long long>(s.records),
            static_cast<unsigned long long>(s.long_records), where,
            static_cast<unsigned long long>(s.index_offset), s.compressed_blocks, s.change_counter,
            static_cast<unsigned long long>(s.file_size));
        return 0;
    }
    std::printf("Version:            %d\n", s.version);
    std::printf("Block size:         %d\n", s.blocksize);
    std::printf("Index entry size:   %d\n", s.entry_size);
    std::printf("Options:            %s%s\n",
                s.options & 1 ? "prefix-compressed keys" : "full keys",
                s.options & 2 ? ", compression allowed" : "");
    std::printf("Data blocks:        %u\n", s.data_blocks);
    std::printf("Extension blocks:   %u\n", s.extension_blocks);
    std::printf("Records:            %llu (%llu long)\n",
                static_cast<unsigned long long>(s.records),
                static_cast<unsigned long long>(s.long_records));
    std::printf("Index:              %s, offset %llu\n", where,
                static_cast<unsigned long long>(s.index_offset));
    std::printf("Compressed blocks:  %u\n", s.compressed_blocks);
    std::printf("Change counter:     %u\n", s.change_counter);
    std::printf("File size:          %llu\n", static_cast<unsigned long long>(s.file_size));
    return 0;
}

// Lines "KEYHEX<TAB>DATAHEX" from stdin, all checked before the first is
// written, then put within one lock period.
int run_load(const DbArgs& args) {
    std::vector<std::pair<std::string, std::string>> records;
    std::string line;
    for (size_t number = 1; std::getline(std::cin, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const size_t tab = line.find('\t');
        std::string key, data;
        if (tab == std::string::npos || !decode_hex(line.substr(0, tab), &key) ||
            !decode_hex(line.substr(tab + 1), &data) || key.empty() ||
            key.size() > store::kDbMaxKey) {
            print_error("line " + std::to_string(number) +
                        ": expected KEYHEX<TAB>DATAHEX with a key of 1 to 255 bytes");
            return 1;
        }
        records.emplace_back(std::move(key), std::move(data));
    }
    OpenDb db;
    if (int32_t error = db.open(args.file, 0)) return engine_failure("opening " + args.file, error);
    if (int32_t error = store::DbLock(db.get()))
        return engine_failure("writing " + args.file, error);
    int32_t result = store::kDbOk;
    for (const auto& [key, data] : records) {
        result = store::DbPut(db.get(), key.data(), key.size(), data.data(), data.size());
        if (result) break;
    }
    const int32_t unlocked = store::DbUnlock(db.get());
    if (result) return engine_failure("writing " + args.file, result);
    if (unlocked) return engine_failure("writing " + args.file, unlocked);
    if (int32_t error = db.close()) return engine_failure("writing " + args.file, error);
    std::printf("Loaded %zu records.\n", records.size());
    return 0;
}

// For a file that does not open: what is wrong with its header, if anything.
void print_header_problems(const std::string& file) {
    store::DbHeaderReport header;
    if (store::DbCheckHeader(file, &header) != store::kDbOk) return;
    for (const auto& problem : header.problems) std::printf("%s\n", problem.c_str());
}

// Reads every block and record; exit 1 when the file is damaged. A header
// whose backup is sound is taken from the backup, so that the rest of the
// file is checked too.
int run_check(CliContext& context, const DbArgs& args) {
    DbReporter reporter(context, "Checking the database file");
    OpenDb db;
    const int32_t opened =
        db.open(args.file, store::DB_READ_ONLY | store::DB_NO_AUTO_REPAIR | store::DB_HEADER_BACKUP,
                reporter.callback());
    if (opened == store::kDbCorrupt || opened == store::kDbBadIndex) {
        print_header_problems(args.file);
        std::printf("%s is damaged: %s\n", args.file.c_str(), store::DbErrorText(opened));
        return 1;
    }
    if (opened) return engine_failure("opening " + args.file, opened);
    store::DbCheckReport report;
    if (int32_t error = store::DbCheck(db.get(), &report))
        return engine_failure("checking " + args.file, error);
    if (context.json) {
        std::printf("{\"blocks\": %llu, \"records\": %llu, \"long_records\": %llu, \"problems\": [",
                    static_cast<unsigned long long>(report.blocks),
                    static_cast<unsigned long long>(report.records),
                    static_cast<unsigned long long>(report.long_records));
        for (size_t i = 0; i < report.problems.size(); ++i)
            std::printf("%s%s", i ? ", " : "", json_quote(report.problems[i]).c_str());
        std::printf("]}\n");
    } else {
        for (const auto& problem : report.problems) std::printf("%s\n", problem.c_str());
        std::printf("%llu blocks, %llu records (%llu long): %s\n",
                    static_cast<unsigned long long>(report.blocks),
                    static_cast<unsigned long long>(report.records),
                    static_cast<unsigned long long>(report.long_records),
                    report.problems.empty() ? "no problems found" : "the file is damaged");
    }
    return report.problems.empty() ? 0 : 1;
}

// A header that neither its backup nor the accepted forms can restore: say
// so, and make a new one from the blocks when they show how.
int rebuild_header(const DbArgs& args, DbReporter& reporter) {
    std::printf(
        "The header of %s is damaged and so is its backup; rebuilding it from the "
        "blocks.\n",
        args.file.c_str());
    const int32_t result = store::DbRebuildHeader(args.file, 0, reporter.callback());
    if (result == store::kDbCorrupt) {
        print_error("the blocks of " + args.file +
                    " do not show how the file was made; its header cannot be rebuilt");
        return 1;
    }
    if (result) return engine_failure("repairing " + args.file, result);
    std::printf("Repaired.\n");
    return 0;
}

enum class Maintenance { Repair, Compact };

int run_maintenance(CliContext& context, const DbArgs& args, Maintenance what) {
    const bool repair = what == Maintenance::Repair;
    DbReporter reporter(context,
                        repair ? "Repairing the database file" : "Compacting the database file");
    OpenDb db;
    // Opening repairs a bad index by itself, and a repair restores a
    // damaged header from its backup; the explicit repair then also goes
    // through every record.
    const uint32_t flags = repair ? store::DB_NO_AUTO_REPAIR | store::DB_HEADER_BACKUP : 0;
    if (int32_t error = db.open(args.file, flags, reporter.callback());
        error && !(repair && (error == store::kDbCorrupt || error == store::kDbBadIndex))) {
        return engine_failure("opening " + args.file, error);
    }
    if (!db.get()) {
        store::DbHeaderReport header;
        if (store::DbCheckHeader(args.file, &header) == store::kDbOk && !header.restorable())
            return rebuild_header(args, reporter);
        if (db.open(args.file, store::DB_HEADER_BACKUP, reporter.callback()) != store::kDbOk)
            return engine_failure("repairing " + args.file, store::kDbRepairFailed);
    }
    const int32_t result = repair ? store::DbRepair(db.get()) : store::DbCompact(db.get());
    if (result == store::kDbAborted) {
        std::printf("Stopped; the file is sound.\n");
        return 1;
    }
    if (result) return engine_failure((repair ? "repairing " : "compacting ") + args.file, result);
    if (int32_t error = db.close()) return engine_failure("writing " + args.file, error);
    std::printf("%s.\n", repair ? "Repaired" : "Compacted");
    return 0;
}

int run_delete_range(CliContext& context, const DbArgs& args, const std::string& first_arg,
                     const std::string& last_arg) {
    std::string first, last;
    if (int bad = parse_key(first_arg, args.text, &first)) return bad;
    if (int bad = parse_key(last_arg, args.text, &last)) return bad;
    DbReporter reporter(context, "Deleting records");
    OpenDb db;
    if (int32_t error = db.open(args.file, 0, reporter.callback()))
        return engine_failure("opening " + args.file, error);
    const int32_t result =
        store::DbDeleteRange(db.get(), first.data(), first.size(), last.data(), last.size());
    if (result) return engine_failure("deleting from " + args.file, result);
    if (int32_t error = db.close()) return engine_failure("writing " + args.file, error);
    return 0;
}

CLI::App* add_file_command(CLI::App* db, const char* name, const char* help, DbArgs& args) {
    auto* command = db->add_subcommand(name, help);
    command->add_option("FILE", args.file, "Database file")->required();
    return command;
}

}  // namespace

void add_db_commands(CLI::App& app, CliContext& context) {
    auto* db =
        app.add_subcommand("db", "Look inside and change database files (keys and data in hex)");
    db->require_subcommand(1);
    auto args = std::make_shared<DbArgs>();
    db->add_flag("--text", args->text, "Give and show keys and data as plain text instead of hex");

    auto create = std::make_shared<std::tuple<int, int, bool, bool>>(4096, 8, false, false);
    auto* c = add_file_command(db, "create", "Create a new, empty database file", *args);
    c->add_option("--block-size", std::get<0>(*create),
                  "Block size: a power of two from 1024 to 16384")
        ->check(CLI::IsMember({1024, 2048, 4096, 8192, 16384}));
    c->add_option("--entry-size", std::get<1>(*create), "Index entry size, 8 to 254")
        ->check(CLI::Range(8, 254));
    c->add_flag("--prefix-keys", std::get<2>(*create),
                "Store keys prefix-compressed inside blocks");
    c->add_flag("--compress", std::get<3>(*create), "Compress blocks that would not fit otherwise");
    c->callback([&context, args, create] {
        context.exit_code = run_create(context, *args, std::get<0>(*create), std::get<1>(*create),
                                       std::get<2>(*create), std::get<3>(*create));
    });

    auto put = std::make_shared<std::tuple<std::string, std::string, std::string>>();
    auto* p = add_file_command(db, "put", "Add or replace a record", *args);
    p->add_option("KEY", std::get<0>(*put), "Key")->required();
    auto* data = p->add_option("DATA", std::get<1>(*put), "Data (empty when left out)");
    p->add_option("--data-file", std::get<2>(*put), "Take the data from this file")->excludes(data);
    p->callback([&context, args, put] {
        context.exit_code = run_put(*args, std::get<0>(*put), std::get<1>(*put), std::get<2>(*put));
    });

    auto get = std::make_shared<std::pair<std::string, std::string>>("", "exact");
    auto* g = add_file_command(db, "get", "Find a record", *args);
    g->add_option("KEY", get->first, "Key to search with (may be empty for first and last)")
        ->required();
    g->add_option("--mode", get->second, "How to search")
        ->check(CLI::IsMember({"first", "prev", "exact", "next", "last", "at-or-after"}));
    g->callback([&context, args, get] {
        context.exit_code = run_get(context, *args, get->first, get->second);
    });

    auto key = std::make_shared<std::string>();
    auto* d = add_file_command(db, "delete", "Remove a record", *args);
    d->add_option("KEY", *key, "Key")->required();
    d->callback([&context, args, key] { context.exit_code = run_delete(*args, *key); });

    auto with_data = std::make_shared<bool>(false);
    auto* dump = add_file_command(db, "dump", "List every record in key order", *args);
    dump->add_flag("--data", *with_data, "Show the data too");
    dump->callback(
        [&context, args, with_data] { context.exit_code = run_dump(context, *args, *with_data); });

    auto* stat = add_file_command(db, "stat", "Show the layout and figures of a file", *args);
    stat->callback([&context, args] { context.exit_code = run_stat(context, *args); });

    auto* load = add_file_command(
        db, "load", "Put lines KEYHEX<TAB>DATAHEX from stdin in one lock period", *args);
    load->callback([&context, args] { context.exit_code = run_load(*args); });

    auto* check = add_file_command(db, "check",
                                   "Read every block and record and report damage (exit 1)", *args);
    check->callback([&context, args] { context.exit_code = run_check(context, *args); });

    auto* repair = add_file_command(
        db, "repair",
        "Rebuild the index from the blocks, dropping what is damaged; restore or rebuild a "
        "damaged header",
        *args);
    repair->callback([&context, args] {
        context.exit_code = run_maintenance(context, *args, Maintenance::Repair);
    });

    auto* compact =
        add_file_command(db, "compact", "Pack the blocks and give back the space left over", *args);
    compact->callback([&context, args] {
        context.exit_code = run_maintenance(context, *args, Maintenance::Compact);
    });

    auto range = std::make_shared<std::pair<std::string, std::string>>();
    auto* dr =
        add_file_command(db, "delete-range", "Remove every record from FIRST to LAST", *args);
    dr->add_option("FIRST", range->first, "First key")->required();
    dr->add_option("LAST", range->second, "Last key")->required();
    dr->callback([&context, args, range] {
        context.exit_code = run_delete_range(context, *args, range->first, range->second);
    });
}

}  // namespace orvane::ui
