// DbCheckHeader, and the header part of DbCheck.
#include "store/header_check.h"

#include <cerrno>

#include "platform/file.h"

namespace orvane::store {

using namespace header_offset;

void examine_header(const HeaderBytes& h, DbHeaderReport* report) {
    report->readable = true;
    report->header_sound = header_checksum_accepted(h) && header_fields_valid(h);
    HeaderBytes restored = h;
    restore_from_backups(restored);
    report->header_backup_sound =
        backup_checksum(h) == h[kBackupChecksum] && header_fields_valid(restored);
    report->table_sound = table_checksum(&h[kTable]) == h[kTableChecksum] ||
                          h[kTableChecksum] == 0 || is_standard_table(&h[kTable]);
    report->table_backup_sound = table_checksum(&h[kBackupTable]) == h[kBackupTableChecksum];

    auto& problems = report->problems;
    if (!report->header_sound) {
        problems.push_back(report->header_backup_sound
                               ? "header: checksum wrong; its backup is sound, and repair "
                                 "restores the header from it"
                               : "header: damaged, and so is its backup; repair rebuilds the "
                                 "header from the blocks");
    } else if (!report->header_backup_sound) {
        problems.push_back("header backup: checksum wrong; repair writes it again");
    }
    if (!report->table_sound) {
        problems.push_back(report->table_backup_sound
                               ? "collating table: checksum wrong; its backup is sound, and "
                                 "repair restores the table from it"
                               : "collating table: damaged, and so is its backup; repair puts "
                                 "the identity table in its place");
    } else if (!report->table_backup_sound) {
        problems.push_back("collating table backup: checksum wrong; repair writes it again");
    }
}

int32_t DbCheckHeader(const std::string& name, DbHeaderReport* report, platform::Env& env) {
    if (!report) return kDbBadParameter;
    *report = DbHeaderReport{};
    platform::File file(env);
    const int error = file.open(name, platform::Access::Read, platform::Share::ReadWrite,
                                platform::Disposition::OpenExisting);
    if (error == ENOENT) return kDbFileNotFound;
    if (error == platform::kInUse) return kDbInUse;
    if (error) return kDbOpenError;
    HeaderBytes header;
    const int read = file.read_at(0, header.data(), header.size());
    if (read == platform::kShortRead) {
        report->problems.push_back("header: the file is too short to hold one");
        return kDbOk;
    }
    if (read) return kDbReadError;
    examine_header(header, report);
    return kDbOk;
}

}  // namespace orvane::store
