#include "packet/upload_queue.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/file.h"

namespace orvane::packet {
namespace {

TEST(UploadQueueTest, PacketsAreQueuedRelativeToTheUserFolderAndDisposedAfterUpload) {
    char pattern[] = "/tmp/orvane-queue-XXXXXX";
    std::string dir = mkdtemp(pattern);
    ASSERT_EQ(platform::make_directories(dir + "/UP"), 0);
    settings::IniCache cache;
    settings::IniFile file = cache.open(dir, "Orvane.ini");

    record_packet(file, dir + "/UP/T250907.zip", dir,
                  {texts::make_text_id('T', 12), 7, texts::make_text_id('Q', 3)});
    record_packet(file, "/elsewhere/T250907A.upd", dir, {8});
    EXPECT_EQ(file.get_string("Updump", "UP/T250907.zip"), "T12 7 Q3");
    auto queue = queued_packets(file, dir);
    ASSERT_EQ(queue.size(), 2u);
    EXPECT_EQ(queue[0].path, dir + "/UP/T250907.zip");
    EXPECT_EQ(queue[1].path, "/elsewhere/T250907A.upd");

    for (const char* name : {"/UP/T250907.upd", "/UP/T250907.zip"}) {
        ASSERT_EQ(platform::write_whole_file(dir + name, "x", 1), 0);
    }
    dispose_packet(file, dir + "/UP/T250907.zip", dir, false);
    EXPECT_FALSE(file.has_key("Updump", "UP/T250907.zip"));
    EXPECT_FALSE(platform::file_exists(dir + "/UP/T250907.zip")) << "the uploaded zip goes";
    EXPECT_TRUE(platform::file_exists(dir + "/UP/T250907.upd")) << "the updump stays unless asked";
    dispose_packet(file, dir + "/UP/T250907.upd", dir, true);
    EXPECT_FALSE(platform::file_exists(dir + "/UP/T250907.upd"));

    file.close();
    std::system(("rm -rf " + dir).c_str());
}

}  // namespace
}  // namespace orvane::packet
