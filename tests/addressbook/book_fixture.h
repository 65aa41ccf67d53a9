// What the address book's tests share: a scratch directory with the two
// book files, a small node table, list lines as the server writes them, and
// an independent check that the word index fits the objects.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "addressbook/book_file.h"
#include "addressbook/records.h"
#include "platform/policy.h"
#include "settings/node_table.h"
#include "tests/support/temp_directory.h"

namespace orvane::addressbook::testing {

// CORVID ('C', domains corvid.example and qor.corvid.example), MERIDIAN
// ('M', meridian.example) and HARBOR ('H', harbor.example).
settings::NodeTable test_nodes();

// One line of an address list.
std::string list_line(int serial, int type, int number, uint32_t flags, const std::string& name,
                      const std::vector<int>& numbers = {});

// Every record of the file, by key.
std::map<std::string, std::string> dump(BookFile& book);

// What is wrong with the word index: entries without an object whose name
// has that word at that position, and words of names that are not indexed.
// Empty when all is well.
std::vector<std::string> index_problems(BookFile& book);

// The files of the system without waiting for the disk: what a crash keeps
// is the business of a FaultEnv over this one, not of the real disk.
class NoSyncEnv : public platform::EnvWrapper {
  public:
    NoSyncEnv() : EnvWrapper(platform::system_env()) {}
    int fsync(int) override { return 0; }
};

class BookTest : public ::testing::Test {
  protected:
    void SetUp() override;

    std::string path(const std::string& name) const { return dir.file(name); }
    // Writes `text` as a file of that name in the scratch directory.
    std::string write_file(const std::string& name, const std::string& text);
    // Reads a file of the scratch directory; empty when missing.
    std::string read_file(const std::string& name) const;
    BookFile open_book(const std::string& name, bool shared = false);

    orvane::testing::TempDirectory dir;
    NoSyncEnv files;
    platform::UnattendedPolicy policy;
    settings::NodeTable nodes;
    std::optional<BookFile> lists;
};

}  // namespace orvane::addressbook::testing
