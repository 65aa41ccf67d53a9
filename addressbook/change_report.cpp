#include "addressbook/change_report.h"

#include <cerrno>

#include "addressbook/text_files.h"
#include "platform/file.h"
#include "platform/message_format.h"
#include "texts/ascii.h"

namespace orvane::addressbook {

namespace {

struct Side {
    bool counts = false;
    bool not_suspended = false;
    bool present = false;
};

Side side_of(const ChangeRecord& change, uint32_t flags, const std::string& name, NodeKey node,
             const ReportWatcher& watcher) {
    const bool conference = change.type == kConference;
    Side side;
    side.counts = !name.empty() && watcher.may_see(node, change.number, change.type, flags);
    side.not_suspended = conference || !(flags & object_flags::kSuspended);
    side.present = conference || !(flags & object_flags::kAbsent);
    return side;
}

std::string status_line(std::string_view words, const ChangeRecord& change,
                        const std::string& name) {
    return platform::format_message(" %s %s%s \"%s\"\n",
                                    {words, change.type == kConference ? "Conference" : "User",
                                     (change.number & kAliasBit) ? " (alias)" : "", name});
}

}  // namespace

bool ReportWatcher::watches(NodeKey node_key) const {
    return node_key != 0 && report_nodes.find(static_cast<char>(node_key)) != std::string::npos;
}

std::string report_lines(std::span<const ChangeRecord> changes, NodeKey node,
                         const ReportWatcher& watcher) {
    std::string lines;
    for (const ChangeRecord& change : changes) {
        const Side before = side_of(change, change.old_flags, change.old_name, node, watcher);
        const Side after = side_of(change, change.new_flags, change.new_name, node, watcher);
        if (after.counts && !before.counts) {
            lines += status_line("+ Added", change, change.new_name);
        } else if (before.counts && !after.counts) {
            lines += status_line("- Removed", change, change.old_name);
        } else if (before.counts && after.counts) {
            if (!texts::equals_ignoring_case(change.old_name, change.new_name)) {
                lines +=
                    platform::format_message(" * Changed %s%s '%s'\n     to '%s'\n",
                                             {change.type == kConference ? "Conference" : "User",
                                              (change.number & kAliasBit) ? " (alias)" : "",
                                              change.old_name, change.new_name});
            }
            if (before.not_suspended != after.not_suspended) {
                lines += status_line(after.not_suspended ? "+ Unsuspended" : "- Suspended", change,
                                     change.new_name);
            } else if (before.not_suspended && before.present != after.present) {
                lines +=
                    status_line(after.present ? "+ Present" : "- Absent", change, change.new_name);
            }
        }
    }
    return lines;
}

platform::Status append_report(const std::string& directory, std::string_view node_name,
                               std::string_view date, std::string_view lines, platform::Env& env) {
    if (lines.empty()) return {};
    std::string text =
        platform::format_message("\nUpdated %s Addresses:  (%s)\n\n", {node_name, date});
    text.append(lines);
    return append_text(directory + "/" + kReportFile, text, env);
}

platform::Status settle_read_report(const std::string& directory, bool keep_changes,
                                    platform::Env& env) {
    const std::string report = directory + "/" + kReportFile;
    if (keep_changes) {
        std::string text;
        if (int error = platform::read_whole_file(report, &text, env)) {
            if (error == ENOENT) return {};
            return platform::Status::file(platform::MessageId::kCannotReadFile, report, error);
        }
        // The report stays where it is until it has been kept.
        if (platform::Status kept = append_text(directory + "/" + kKeptChangesFile, text, env);
            !kept.ok())
            return kept;
    }
    if (int error = env.unlink(report); error != 0 && error != ENOENT)
        return platform::Status::file(platform::MessageId::kCannotWriteFile, report, error);
    return {};
}

}  // namespace orvane::addressbook
