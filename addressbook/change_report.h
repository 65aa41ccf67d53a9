// The report of what changed on a node, for every local user who watches
// the node (his "Report Changes" setting): one line per person or
// conference that appeared, went, was suspended or came back, went absent
// or came back, or changed its name, as far as the user may see it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "addressbook/records.h"
#include "addressbook/visibility.h"
#include "platform/env.h"
#include "platform/status.h"

namespace orvane::addressbook {

inline constexpr const char* kReportFile = "Report.txt";
inline constexpr const char* kKeptChangesFile = "AddrChanges.txt";

// One object whose stored form an import changed. The names are empty for
// an object that is new (old) or removed (new).
struct ChangeRecord {
    uint16_t number = 0;  // with kAliasBit
    uint8_t type = 0;
    uint32_t old_flags = 0;
    uint32_t new_flags = 0;
    std::string old_name;
    std::string new_name;
};

// A local user as far as the report is concerned.
struct ReportWatcher : Viewer {
    std::string directory;
    std::string report_nodes;  // the nodes whose changes he wants reported
    bool keep_changes = false;

    bool watches(NodeKey node_key) const;
};

// The report lines about `changes` on `node` that `watcher` gets; empty when
// none concerns him.
std::string report_lines(std::span<const ChangeRecord> changes, NodeKey node,
                         const ReportWatcher& watcher);

// Appends the heading ("Updated <node> Addresses:  (<date>)") and `lines`
// to the watcher's "Report.txt".
platform::Status append_report(const std::string& directory, std::string_view node_name,
                               std::string_view date, std::string_view lines, platform::Env& env);

// After the user has read his report: with `keep_changes` it is added to
// "AddrChanges.txt"; "Report.txt" is deleted either way.
platform::Status settle_read_report(const std::string& directory, bool keep_changes,
                                    platform::Env& env);

}  // namespace orvane::addressbook
