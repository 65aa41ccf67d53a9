#include "connection/download_names.h"

#include <gtest/gtest.h>

#include "connection/zmodem_file_info.h"

namespace orvane::connection {
namespace {

TEST(DownloadNames, KindsByName) {
    EXPECT_EQ(download_kind("T25I07AB.dmp"), DownloadKind::kDowndump);
    EXPECT_EQ(download_kind("a01b02cd.DMP"), DownloadKind::kDowndump);
    EXPECT_EQ(download_kind("T25I07AB.Zip"), DownloadKind::kDowndump);
    EXPECT_EQ(download_kind("T25I07A1.dmp"), DownloadKind::kOther);  // a digit for a letter
    EXPECT_EQ(download_kind("T25I07AB.dmpx"), DownloadKind::kOther);
    EXPECT_EQ(download_kind("T250907.upd"), DownloadKind::kOther);

    EXPECT_EQ(download_kind("TO12345#"), DownloadKind::kAddressBook);
    EXPECT_EQ(download_kind("to12345$."), DownloadKind::kAddressBook);
    EXPECT_EQ(download_kind("TO12345#.ZIP"), DownloadKind::kAddressBook);
    EXPECT_EQ(download_kind("TO12345#.txt"), DownloadKind::kOther);
    EXPECT_EQ(download_kind("TX12345#"), DownloadKind::kOther);
    EXPECT_EQ(download_kind("TO1234#"), DownloadKind::kOther);
    EXPECT_EQ(download_kind("TO"), DownloadKind::kOther);

    EXPECT_TRUE(is_unpack_name("T#ABC123.zip"));
    EXPECT_TRUE(is_unpack_name("t#abcdef.ZIP"));
    EXPECT_FALSE(is_unpack_name("T#ABC12.zip"));
    EXPECT_FALSE(is_unpack_name("T$ABC123.zip"));
    EXPECT_FALSE(is_unpack_name("T#ABC123.dmp"));
}

TEST(DownloadNames, AnnouncedNamesAreReducedAndCleaned) {
    EXPECT_EQ(clean_transfer_name("/var/spool/T25I07AB.dmp"), "T25I07AB.dmp");
    EXPECT_EQ(clean_transfer_name("..\\..\\win.ini"), "win.ini");
    EXPECT_EQ(clean_transfer_name(".."), "");
    EXPECT_EQ(clean_transfer_name("dir/"), "");
    EXPECT_EQ(clean_transfer_name("-My file (2).txt"), "My_file_2.txt");
    EXPECT_EQ(clean_transfer_name(std::string("a\x01\x7f"
                                              "b\xe9.txt")),
              "ab.txt");
    EXPECT_EQ(clean_transfer_name(".hidden"), "hidden");
    EXPECT_EQ(numbered_name("paper.txt", 1), "paper_1.txt");
    EXPECT_EQ(numbered_name("TO12345#", 2), "TO12345#_2");
}

TEST(DownloadNames, FileInformation) {
    const auto info = zmodem::file_info("h.txt", 6, 1700000000);
    EXPECT_EQ(std::string(info.begin(), info.end()), std::string("h.txt\0"
                                                                 "6 14524770400",
                                                                 19));
    // As sz sends it, with mode, serial number and what is left.
    const std::string sz(
        "h.txt\0"
        "6 14524770400 100644 0 1 6\0",
        33);
    zmodem::AnnouncedFile file =
        zmodem::parse_file_info({reinterpret_cast<const uint8_t*>(sz.data()), sz.size()});
    EXPECT_EQ(file.name, "h.txt");
    EXPECT_EQ(file.size, 6u);
    EXPECT_EQ(file.modified, 1700000000);
    // Only a name: size unknown.
    const std::string bare("bare", 4);
    file = zmodem::parse_file_info({reinterpret_cast<const uint8_t*>(bare.data()), bare.size()});
    EXPECT_EQ(file.name, "bare");
    EXPECT_FALSE(file.size.has_value());
    const std::string junk(
        "x\0"
        "99999999999999999999999 7",
        27);
    file = zmodem::parse_file_info({reinterpret_cast<const uint8_t*>(junk.data()), junk.size()});
    EXPECT_FALSE(file.size.has_value());
}

}  // namespace
}  // namespace orvane::connection
