#include "import/downdump_import.h"

#include <filesystem>

#include "import/import_files.h"
#include "import/pending_imports.h"
#include "import/text_body.h"
#include "import/zip_unpack.h"
#include "platform/file.h"
#include "platform/message_format.h"
#include "platform/resource_strings.h"
#include "texts/ascii.h"

namespace orvane::import {

using platform::MessageId;
using platform::Status;

namespace {

struct FileToImport {
    std::string path;
    uint64_t offset = 0;
};

bool is_zip_name(std::string_view name) {
    return name.size() > 4 && texts::equals_ignoring_case(name.substr(name.size() - 4), ".zip");
}

bool same_file(const std::string& a, const std::string& b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) || a == b;
}

class FileImporter {
  public:
    FileImporter(ImportContext& context, const ImportOptions& options, ImportOutcome& outcome)
        : context_(context),
          options_(options),
          outcome_(outcome),
          filer_(context.cabinet, options, context.book, context.env),
          parser_(filer_, options, context.nodes, context.book, context.policy, context.env,
                  shared_) {}

    // False when the import must stop.
    bool import(const FileToImport& file);
    ImportShared& shared() { return shared_; }

  private:
    bool from_list() const {
        return options_.mode == ImportMode::kAtStart || options_.mode == ImportMode::kAfterSession;
    }
    void done_with(const std::string& path) {
        if (from_list() && context_.user_file)
            remove_pending_import(*context_.user_file, context_.user_folder, path);
    }
    void import_address_list(FileReport& report);
    // A zipped downdump that is kept is kept unpacked: the unpacked file
    // takes the archive's place. On failure the archive is read as it is.
    void unpack_kept_downdump(FileToImport& file);
    void dispose(FileReport& report, const FileToImport& file, const FileResult& result);

    ImportContext& context_;
    const ImportOptions& options_;
    ImportOutcome& outcome_;
    ImportShared shared_;
    TextFiler filer_;
    DumpParser parser_;
};

void FileImporter::import_address_list(FileReport& report) {
    report.address_list = true;
    std::string list = report.path;
    const bool zipped = is_zip_name(list);
    if (zipped) {
        platform::Result<std::string> unpacked =
            unpack_first_member(list, list.substr(0, list.size() - 4), context_.env);
        if (!unpacked.ok()) {
            report.error = Status::message(MessageId::kErrorUnzipping,
                                           {report.path, unpacked.status().text()});
            context_.policy.notice(report.error);
            return;
        }
        list = *unpacked;
    }
    report.error = context_.book.import_address_list(list);
    if (!report.error.ok()) {
        context_.policy.notice(report.error);
        return;
    }
    if (zipped) {
        if (Status deleted = delete_file(report.path, context_.env); deleted.ok())
            report.disposal = Disposal::kDeleted;
    }
    done_with(report.path);
}

void FileImporter::unpack_kept_downdump(FileToImport& file) {
    const std::string_view name = file_name_of(file.path);
    if (options_.delete_imported || !is_downdump_name(name) || !is_zip_name(name)) return;
    platform::Result<std::string> unpacked = unpack_first_member(file.path, {}, context_.env);
    if (!unpacked.ok()) return;
    if (!delete_file(file.path, context_.env).ok()) return;
    if (from_list() && context_.user_file) {
        remove_pending_import(*context_.user_file, context_.user_folder, file.path);
        add_pending_import(*context_.user_file, context_.user_folder, {*unpacked, 0});
    }
    file.path = *unpacked;
}

void FileImporter::dispose(FileReport& report, const FileToImport& file, const FileResult& result) {
    if (result.updump_errors > 0 || result.skipped) return;
    const std::string_view name = file_name_of(file.path);
    const bool log = is_log_name(name);
    const bool whole_log = log && file.offset == 0;
    bool remove = false;
    bool move = false;
    if (from_list()) {
        // Only server output and logs go: a downloaded file of another kind
        // is the user's.
        if (is_downdump_name(name))
            remove = options_.delete_imported;
        else
            remove = options_.delete_log && (result.recognised || log);
    } else if (result.recognised || whole_log) {
        remove = options_.delete_imported || whole_log;
        move = !remove && options_.move_imported && !options_.move_imported_to.empty();
    }
    Status status;
    if (remove) {
        status = delete_file(file.path, context_.env);
        if (status.ok()) report.disposal = Disposal::kDeleted;
    } else if (move) {
        status = move_file_into(file.path, options_.move_imported_to, context_.env);
        if (status.ok()) report.disposal = Disposal::kMoved;
    }
    if (!status.ok()) {
        context_.policy.notice(status);
        report.disposal_error = std::move(status);
    }
}

bool FileImporter::import(const FileToImport& given) {
    FileToImport file = given;
    if (from_list() && !platform::file_exists(file.path)) {
        // Imported and disposed of before the list was saved, or taken away.
        done_with(file.path);
        return true;
    }
    FileReport report;
    report.path = file.path;
    if (is_address_list_name(file_name_of(file.path))) {
        import_address_list(report);
        outcome_.files.push_back(std::move(report));
        return true;
    }
    unpack_kept_downdump(file);
    report.path = file.path;

    std::unique_ptr<platform::Progress> progress = context_.policy.progress(
        platform::format_message(platform::resource_string(MessageId::kImportingTexts),
                                 {std::string(file_name_of(file.path))}));
    cabinet::FilingBatch batch(context_.cabinet);
    if (!batch.status().ok()) {
        outcome_.error = batch.status();
        return false;
    }
    const FileResult result = parser_.parse(file.path, file.offset, progress.get());
    progress.reset();
    report.counts = result.counts;
    report.updump_errors = result.updump_errors;
    report.skipped = result.skipped;
    report.error = result.error;
    if (!result.error.ok() || result.aborted) {
        // Nothing of the file is kept; the file stays for the next try.
        outcome_.files.push_back(std::move(report));
        if (result.unreadable) {
            context_.policy.notice(result.error);
            return true;
        }
        if (!result.error.ok()) outcome_.error = result.error;
        return false;
    }
    if (Status committed = batch.commit(); !committed.ok()) {
        report.error = committed;
        outcome_.error = committed;
        outcome_.files.push_back(std::move(report));
        return false;
    }
    if (result.lines_cut)
        context_.policy.notice(
            Status::message(MessageId::kLinesCut, {static_cast<int>(kMaxLineLength), file.path}));
    if (result.updump_errors > 0) {
        const platform::Answer answer = context_.policy.decide({MessageId::kErrorsInPacket,
                                                                {file.path},
                                                                platform::Buttons::YesNo,
                                                                platform::Answer::No});
        if (answer == platform::Answer::Yes) outcome_.files_to_show.push_back(file.path);
    }
    dispose(report, file, result);
    if (!result.skipped) done_with(file.path);
    outcome_.files.push_back(std::move(report));
    return true;
}

std::vector<FileToImport> files_of(ImportContext& context, const ImportOptions& options,
                                   const std::vector<std::string>& given,
                                   const std::string& import_dir) {
    std::vector<std::string> paths;
    std::vector<PendingImport> pending;
    if (context.user_file) pending = pending_imports(*context.user_file, context.user_folder);
    switch (options.mode) {
        case ImportMode::kByHand:
            for (const std::string& path : given) {
                if (platform::directory_exists(path)) {
                    for (std::string& inside : importable_files(path))
                        paths.push_back(std::move(inside));
                } else {
                    paths.push_back(path);
                }
            }
            break;
        case ImportMode::kAtStart:
            for (const PendingImport& file : pending) paths.push_back(file.path);
            break;
        case ImportMode::kAfterSession:
            paths = given;
            break;
        case ImportMode::kImportDir:
            if (!import_dir.empty()) paths = importable_files(import_dir);
            break;
    }
    std::vector<FileToImport> files;
    for (const std::string& path : logs_first(paths)) {
        FileToImport file{path, 0};
        for (const PendingImport& waiting : pending)
            if (waiting.path == path) file.offset = waiting.offset;
        files.push_back(std::move(file));
    }
    return files;
}

}  // namespace

ImportOutcome run_import(ImportContext& context, const ImportOptions& options,
                         const std::vector<std::string>& files, const std::string& import_dir) {
    ImportOutcome outcome;
    if (options.mode == ImportMode::kByHand && !options.main_cabinet.empty() &&
        !same_file(context.cabinet.path(), options.main_cabinet)) {
        // Named on purpose, the other cabinet is imported into unless the
        // user says otherwise.
        const platform::Answer answer = context.policy.decide({MessageId::kNotMainCabinet,
                                                               {options.main_cabinet, "import"},
                                                               platform::Buttons::YesNo,
                                                               platform::Answer::Yes});
        if (answer != platform::Answer::Yes) {
            outcome.aborted = true;
            return outcome;
        }
    }
    if (Status writable = context.cabinet.check_writable(); !writable.ok()) {
        outcome.error = writable;
        return outcome;
    }
    FileImporter importer(context, options, outcome);
    for (const FileToImport& file : files_of(context, options, files, import_dir)) {
        if (importer.shared().aborted || !importer.import(file)) break;
    }
    ImportShared& shared = importer.shared();
    outcome.aborted = shared.aborted;
    outcome.last_login = shared.last_login;
    outcome.new_password = shared.new_password;
    if (context.user_file) {
        if (Status saved = context.user_file->commit(); !saved.ok()) context.policy.notice(saved);
    }
    if (options.mode == ImportMode::kAtStart && (options.show_last_login & 2) &&
        (options.list_mail_detailed & 2)) {
        const uint32_t last = outcome.last_login.value_or(options.last_login);
        if (last != 0)
            context.policy.notice(Status::message(
                MessageId::kLastBatchSession,
                {texts::format_date(last, texts::DateRequest::as_chosen, {options.time_display})}));
    }
    return outcome;
}

}  // namespace orvane::import
