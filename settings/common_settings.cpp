#include "settings/common_settings.h"

#include "platform/resource_strings.h"
#include "settings/common_keys.h"
#include "settings/ini_values.h"

namespace orvane::settings {

namespace {

constexpr int kLastVersionWithConnectSection = 54;
constexpr int kLastVersionWithSmallZmodemWindows = 52;

// The version of the common file; files of older versions kept it in the
// section of the per-user keys.
int stored_version(IniFile& file) {
    if (file.has_key("Common", "Version")) return get_int(file, "Common", "Version", 0);
    return get_int(file, "Orvane", "Version", 0);
}

// Changes to files of older versions, made in the file itself so that the
// values loaded afterwards already follow the present layout.
void upgrade(IniFile& file, int version) {
    if (version <= kLastVersionWithConnectSection) file.delete_section("Connect");
    if (version <= kLastVersionWithSmallZmodemWindows) {
        file.put_string("Common", "Zmodem Window Up", std::to_string(kMaxZmodemWindow));
        file.put_string("Common", "Zmodem Window Down", std::to_string(kMaxZmodemWindow));
    }
}

void read_node_dates(IniFile& file, const NodeTable& nodes, CommonValues& values) {
    values.nodes_version = get_int(file, "Nodes", "Version", 0);
    // Without node information (not even the built-in copy could be
    // written) there is nothing to compare with: the dates are kept.
    if (nodes.nodes.empty()) return;
    if (values.nodes_version != nodes.version) {
        // Dates of another node list do not apply to this one.
        file.delete_section("Nodes");
        file.put_string("Nodes", "Version", std::to_string(nodes.version));
        values.nodes_version = nodes.version;
    }
    for (const auto& node : nodes.nodes) {
        if (!node.active) continue;
        values.changes_downloaded[static_cast<size_t>(node.letter - 'A')] =
            get_date(file, "Nodes", changes_downloaded_key(node.letter), 0);
    }
}

}  // namespace

std::string changes_downloaded_key(char letter) {
    return std::string(1, letter) + " Changes Downloaded";
}

bool CommonSettings::load(IniCache& cache, const std::string& program_directory,
                          const NodeTable& nodes, VersionGate& gate, platform::Policy& policy) {
    program_directory_ = program_directory;
    file_ = cache.open(program_directory, kSettingsFile);
    values = CommonValues{};
    values.version = stored_version(file_);
    if (!gate.accept(values.version, policy)) {
        file_.close();
        return false;
    }
    upgrade(file_, values.version);

    read_bound_keys(file_, common_keys(), PathBase{program_directory, {}}, cache.env().now_utc(),
                    values);
    read_node_dates(file_, nodes, values);
    loaded_ = values;
    return true;
}

void CommonSettings::save() {
    if (!file_.is_open()) return;
    put_int(file_, "Common", "Version", platform::kSettingsVersion, stored_version(file_));
    values.version = platform::kSettingsVersion;
    write_bound_keys(file_, common_keys(), PathBase{program_directory_, {}}, values, loaded_,
                     [](const KeyRule&) { return true; });
    put_int(file_, "Nodes", "Version", values.nodes_version, loaded_.nodes_version);
    for (size_t i = 0; i < values.changes_downloaded.size(); ++i) {
        put_date(file_, "Nodes", changes_downloaded_key(static_cast<char>('A' + i)),
                 values.changes_downloaded[i], loaded_.changes_downloaded[i]);
    }
    loaded_ = values;
}

platform::Status CommonSettings::commit() {
    save();
    return file_.commit();
}

int CommonSettings::chosen_connection(const NodeTable& nodes) const {
    int count = static_cast<int>(nodes.connections.size());
    if (values.connection != 0)
        return values.connection >= 1 && values.connection <= count ? values.connection : 1;
    if (nodes.default_connection >= 1 && nodes.default_connection <= count)
        return nodes.default_connection;
    return 1;
}

}  // namespace orvane::settings
