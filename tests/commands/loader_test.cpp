// Loading "Commands.dat" with the built-in copy, and the favourites kept
// in the user's settings.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "commands/catalogue_loader.h"
#include "platform/builtin_files.h"
#include "platform/file.h"
#include "tests/support/status_matchers.h"
#include "tests/support/temp_directory.h"

namespace orvane::commands {
namespace {

constexpr std::string_view kBuiltin = "V12\n0- TOPIC:\n0s Join a conference\tjoin %C\n";

std::vector<unsigned char> resource_of(std::string_view payload) {
    char header[32];
    std::snprintf(header, sizeof header, "%5zu\r\n20-Dec-2026 12:00\r\n", payload.size());
    std::string bytes = std::string(header) + std::string(payload);
    return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write(const std::string& path, std::string_view text) {
    std::ofstream(path, std::ios::binary) << text;
}

class Loader : public ::testing::Test {
  protected:
    platform::Result<Catalogue> load() { return load_catalogue_file(path, builtin, policy); }
    orvane::testing::TempDirectory directory;
    std::string path = directory.file("Commands.dat");
    std::vector<unsigned char> builtin = resource_of(kBuiltin);
    platform::UnattendedPolicy policy;
};

TEST_F(Loader, MissingFileIsWrittenFromTheBuiltinCopy) {
    platform::Result<Catalogue> catalogue = load();
    ASSERT_OK(catalogue);
    EXPECT_EQ(catalogue->version(), 12);
    EXPECT_NE(catalogue->find_command("join a conference"), nullptr);
    EXPECT_EQ(contents(path), kBuiltin);
    platform::BuiltinFile header;
    ASSERT_TRUE(platform::parse_builtin_resource(builtin, &header));
    std::time_t modified = 0;
    ASSERT_EQ(platform::file_modification_time(path, &modified), 0);
    EXPECT_EQ(modified, header.date);
    EXPECT_TRUE(policy.notices.empty());
}

TEST_F(Loader, VersionTenAndUnversionedFilesAreReplaced) {
    for (std::string_view old : {"V10\n0s Old one\told\n", "0s No version\tx\n", "V\n"}) {
        write(path, old);
        platform::Result<Catalogue> catalogue = load();
        ASSERT_OK(catalogue);
        EXPECT_EQ(catalogue->version(), 12) << old;
        EXPECT_EQ(contents(path), kBuiltin);
    }
    EXPECT_TRUE(policy.notices.empty());
}

TEST_F(Loader, NewerFileIsKeptAsItIs) {
    const std::string own = "V11\r\n0s My own command\tmine %C\r\n";
    write(path, own);
    platform::Result<Catalogue> catalogue = load();
    ASSERT_OK(catalogue);
    EXPECT_EQ(catalogue->version(), 11);
    EXPECT_NE(catalogue->find_command("My own command"), nullptr);
    EXPECT_EQ(contents(path), own);
}

TEST_F(Loader, HugeOrBinaryFilesAreSafe) {
    std::string huge = "V11\n" + std::string(kMaxCatalogueSize, 'x');
    write(path, huge);
    platform::Result<Catalogue> catalogue = load();
    ASSERT_OK(catalogue);
    EXPECT_EQ(catalogue->version(), 12);
    // The file that could not be read is kept, not written over.
    EXPECT_EQ(contents(path + ".bak"), huge);
    ASSERT_EQ(policy.notices.size(), 1u);
    EXPECT_EQ(policy.notices[0].id(), platform::MessageId::kCatalogueKeptAside);

    std::string binary = "V11\n";
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7919) & 0xFF);
    write(path, binary);
    ASSERT_OK(load());
}

TEST_F(Loader, UnwritableDirectoryStillGivesTheBuiltinCatalogue) {
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0);  // a folder where the file should be
    platform::Result<Catalogue> catalogue = load();
    ASSERT_OK(catalogue);
    EXPECT_NE(catalogue->find_command("Join a conference"), nullptr);
    ASSERT_EQ(policy.notices.size(), 1u);
    EXPECT_EQ(policy.notices[0].id(), platform::MessageId::kCannotWriteFile);
}

TEST_F(Loader, BrokenBuiltinCopyIsReported) {
    builtin = {'x'};
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
    platform::Result<Catalogue> catalogue = load();
    ASSERT_FALSE(catalogue.ok());
    EXPECT_EQ(catalogue.status().id(), platform::MessageId::kCannotReadFile);
}

TEST(ProgramCatalogue, TheBuiltinCopyIsNewerThanVersionTen) {
    orvane::testing::TempDirectory home;
    platform::UnattendedPolicy policy;
    platform::Result<Catalogue> catalogue = load_catalogue(home.path(), policy);
    ASSERT_OK(catalogue);
    EXPECT_GT(catalogue->version(), kOldestReplacedVersion);
    EXPECT_EQ(catalogue->skipped_lines(), 0u);
    EXPECT_TRUE(platform::file_exists(home.file(kCatalogueFile)));
}

class Favourites : public Loader {
  protected:
    void SetUp() override {
        write(path, "V11\n0- TOPIC:\n0s Join a conference\tjoin %C\n0s A=B\tab\n");
        write(directory.file("Orvane.ini"),
              "[Favorite Commands]\njoin a conference=\nGone command=\n[User]\nName=Ann\n");
    }
    settings::IniCache cache;
};

TEST_F(Favourites, KnownKeysMarkCommandsAndStaleKeysAreDeleted) {
    platform::Result<Catalogue> catalogue = load();
    ASSERT_OK(catalogue);
    {
        settings::IniFile file = cache.open(directory.path(), "Orvane.ini");
        ASSERT_OK(apply_favourites(*catalogue, file));
    }
    EXPECT_TRUE(catalogue->is_favourite(*catalogue->find_command("Join a conference")));
    EXPECT_EQ(contents(directory.file("Orvane.ini")),
              "[Favorite Commands]\njoin a conference=\n[User]\nName=Ann\n");
}

TEST_F(Favourites, TogglingWritesAndDeletesTheKey) {
    platform::Result<Catalogue> catalogue = load();
    ASSERT_OK(catalogue);
    settings::IniFile file = cache.open(directory.path(), "Orvane.ini");
    ASSERT_OK(apply_favourites(*catalogue, file));
    const CatalogueLine& join = *catalogue->find_command("Join a conference");
    ASSERT_OK(set_favourite(*catalogue, join, false, file));
    EXPECT_FALSE(catalogue->is_favourite(join));
    EXPECT_EQ(contents(directory.file("Orvane.ini")), "[Favorite Commands]\n[User]\nName=Ann\n");
    ASSERT_OK(set_favourite(*catalogue, join, true, file));
    EXPECT_NE(contents(directory.file("Orvane.ini")).find("Join a conference=\n"),
              std::string::npos);

    EXPECT_EQ(set_favourite(*catalogue, *catalogue->find("TOPIC:").line, true, file).id(),
              platform::MessageId::kTopicNotCommand);
    EXPECT_EQ(set_favourite(*catalogue, catalogue->manually(), true, file).id(),
              platform::MessageId::kNoFavourite);
    // "=" would split the key in the settings file.
    EXPECT_EQ(set_favourite(*catalogue, *catalogue->find_command("A=B"), true, file).id(),
              platform::MessageId::kNoFavourite);
}

}  // namespace
}  // namespace orvane::commands
