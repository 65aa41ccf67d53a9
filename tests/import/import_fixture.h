// A user folder with a new filing cabinet, the node table, the import's
// options and a scripted user, for running imports over files the tests
// write themselves.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "cabinet/cabinet.h"
#include "import/address_book_port.h"
#include "import/downdump_import.h"
#include "platform/scripted_ui.h"
#include "settings/node_table.h"
#include "tests/support/status_matchers.h"
#include "tests/support/temp_directory.h"

namespace orvane::import::testing {

// An address book that knows what the test tells it.
class FakeAddressBook : public NoAddressBook {
  public:
    std::map<std::string, uint16_t> objects;  // by name, on every node
    std::set<std::string> addresses;
    std::vector<std::string> imported_lists;

    platform::Status import_address_list(const std::string& path) override;
    std::optional<uint16_t> object_number(texts::NodeKey, std::string_view name) const override;
    bool knows_address(std::string_view address) const override {
        return addresses.count(std::string(address)) > 0;
    }
};

// The nodes of the tests: CORVID (C), MERIDIAN (M), KESTREL (K).
settings::NodeTable test_nodes();

// The text `number` of node CORVID.
constexpr texts::TextId corvid(uint32_t number) {
    return texts::make_text_id('C', number);
}

class ImportTest : public ::testing::Test {
  protected:
    ImportTest();
    ~ImportTest() override;

    // Writes a file into the user folder and gives its path.
    std::string write(const std::string& name, const std::string& contents);
    std::string read(const std::string& path);

    ImportOutcome import(const std::vector<std::string>& files);
    // Imports one file that must go through without a failure.
    FileReport import_ok(const std::string& path);

    std::optional<texts::TextRecord> text(texts::TextId id);
    std::vector<texts::TextId> box(uint16_t number);
    // The messages shown, one text each.
    std::vector<std::string> messages() const;

    // Runs a command line (a peer tool) and gives its output.
    static std::string run(const std::string& command);

    // Closes and reopens the cabinet (written back in between).
    void reopen();

    orvane::testing::TempDirectory temp_;
    std::string dir_ = temp_.path();
    platform::ScriptedUi ui_;
    platform::Env* env_ = &platform::system_env();
    settings::NodeTable nodes_ = test_nodes();
    FakeAddressBook book_;
    ImportOptions options_;
    std::unique_ptr<cabinet::Cabinet> cabinet_;
};

}  // namespace orvane::import::testing
