#include "packet/file_names.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/file.h"
#include "tests/support/temp_directory.h"

namespace orvane::packet {
namespace {

class DatedNameTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::tm local{};
        local.tm_year = 125;  // 2025-09-07, noon local time
        local.tm_mon = 8;
        local.tm_mday = 7;
        local.tm_hour = 12;
        local.tm_isdst = -1;
        day = std::mktime(&local);
    }

    void touch(const std::string& name) {
        ASSERT_EQ(platform::write_whole_file(dir + "/" + name, "", 0), 0);
    }
    std::string next(const std::optional<std::string>& last) {
        auto path = make_dated_name(dir, 'T', ".upd", last, day);
        return path ? path->substr(dir.size() + 1) : "<none>";
    }

    orvane::testing::TempDirectory temp;
    std::string dir = temp.path();
    std::time_t day = 0;
};

TEST_F(DatedNameTest, FirstOfTheDayHasNoSequenceThenLettersFollow) {
    EXPECT_EQ(next(std::string()), "T250907.upd");
    touch("T250907.upd");
    EXPECT_EQ(next(std::string("T250907.upd")), "T250907A.upd");
    touch("T250907A.upd");
    EXPECT_EQ(next(std::string("T250907A.upd")), "T250907B.upd");
    EXPECT_EQ(next(std::string("T250906Q.upd")), "T250907B.upd")
        << "another day's memory does not count";
    touch("T250907B.zip");
    EXPECT_EQ(next(std::string()), "T250907B.upd") << "other extensions do not count";
}

TEST_F(DatedNameTest, MemoryKeepsDeletedNamesFromComingBack) {
    EXPECT_EQ(next(std::string("T250907C.upd")), "T250907D.upd");
    EXPECT_EQ(next(std::string("T250907.upd")), "T250907A.upd");
    // Logs use no memory: every session of the day writes the same log.
    touch("T250907.log");
    auto log = make_dated_name(dir, 'T', ".log", std::nullopt, day);
    ASSERT_TRUE(log);
    EXPECT_EQ(*log, dir + "/T250907.log");
}

TEST_F(DatedNameTest, AfterZTheFirstFreeNameIsTakenUntilNoneIsLeft) {
    for (char c = 'A'; c <= 'Z'; ++c) touch(std::string("T250907") + c + ".upd");
    EXPECT_EQ(next(std::string("T250907Z.upd")),
              "T250907"
              "0.upd");
    std::remove((dir + "/T250907K.upd").c_str());
    EXPECT_EQ(next(std::string("T250907Z.upd")), "T250907K.upd");
    touch("T250907K.upd");
    for (char c = '0'; c <= '9'; ++c) touch(std::string("T250907") + c + ".upd");
    EXPECT_EQ(next(std::string("T250907Z.upd")), "<none>");
}

TEST_F(DatedNameTest, ADigitInMemoryNeverYieldsAnInvalidName) {
    // Letters were used up on an earlier packet and later deleted; the
    // remembered "9" must not step on to ":".
    EXPECT_EQ(next(std::string("T2509079.upd")), "T250907A.upd");
}

TEST(CleanFileNameTest, AnnouncedNamesAreCleaned) {
    std::string path = "/home/ann/-My file (2).txt";
    clean_file_name(&path);
    EXPECT_EQ(path, "/home/ann/My_file_2.txt");

    std::string odd = "..-a*b[c]d?e\"f+g,h;i<j=k>l|m\\n:o\x01p\xe9q";
    clean_file_name(&odd);
    EXPECT_EQ(odd, "abcdefghijklmnopq");

    std::string only_dots = "dir/...";
    clean_file_name(&only_dots);
    EXPECT_EQ(only_dots, "dir/");
}

TEST(CleanFileNameTest, LongNamesKeepTheirExtensionAt79Characters) {
    std::string long_name = std::string(100, 'x') + ".text";
    clean_file_name(&long_name);
    EXPECT_EQ(long_name.size(), 79u);
    EXPECT_EQ(long_name.substr(74), ".text");

    std::string no_extension = std::string(90, 'y') + ".longext";
    clean_file_name(&no_extension);
    EXPECT_EQ(no_extension, std::string(79, 'y')) << "a dot further back is no extension";
}

}  // namespace
}  // namespace orvane::packet
