// Arbitrary bytes imported as a downdump into a new filing cabinet, with no
// one to answer: the import must end without a crash, and the cabinet must
// close and open again afterwards.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "cabinet/cabinet.h"
#include "import/address_book_port.h"
#include "import/downdump_import.h"
#include "platform/file.h"
#include "platform/policy.h"
#include "settings/node_table.h"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string dir = "/tmp/orvane-fuzz-dump-" + std::to_string(getpid());
    std::error_code error;
    std::filesystem::remove_all(dir, error);
    std::filesystem::create_directories(dir, error);
    const std::string dump = dir + "/T25A07BC.dmp";
    if (platform::write_whole_file(dump, data, size) != 0) return 0;

    settings::NodeTable nodes;
    nodes.nodes = {{'C', "CORVID", "CRV", true, "qor", {}},
                   {'M', "MERIDIAN", "MER", true, "qor", {}}};
    platform::UnattendedPolicy policy;
    auto created = cabinet::Cabinet::create(dir + "/fcabinet.cab", {}, policy);
    if (!created.ok()) std::abort();
    import::NoAddressBook book;
    import::ImportOptions options;
    options.delete_imported = false;
    options.attach_dir = dir;
    options.node_for_unnamed = 'C';
    options.own_names = {"Ann Lee"};
    {
        import::ImportContext context(**created, nodes, book, policy);
        const import::ImportOutcome outcome = import::run_import(context, options, {dump});
        // Input may stop the import with a message (a conference name no box
        // can carry); a failing file or engine is the disk's, never the input's.
        const platform::Status::Kind kind = outcome.error.kind();
        if (kind == platform::Status::Kind::kFile || kind == platform::Status::Kind::kEngine) {
            std::fprintf(stderr, "import failed: %s\n", outcome.error.text().c_str());
            std::abort();
        }
    }
    if (!(*created)->close().ok()) std::abort();
    created->reset();
    auto reopened = cabinet::Cabinet::open(dir + "/fcabinet.cab", {}, policy);
    if (!reopened.ok() || !(*reopened)->close().ok()) std::abort();
    std::filesystem::remove_all(dir, error);
    return 0;
}
