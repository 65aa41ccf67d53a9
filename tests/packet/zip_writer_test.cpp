#include "packet/zip_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "platform/fault_env.h"
#include "platform/file.h"
#include "tests/support/temp_directory.h"

namespace orvane::packet {
namespace {

std::string run(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen((command + " 2>&1").c_str(), "r")) {
        char buffer[512];
        while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
        int status = pclose(pipe);
        if (status != 0) output += "\n[exit " + std::to_string(status) + "]";
    }
    return output;
}

class ZipWriterTest : public ::testing::Test {
  protected:
    std::string make(const std::string& name, const std::string& contents, std::time_t time) {
        std::string path = dir + "/" + name;
        EXPECT_EQ(platform::write_whole_file(path, contents.data(), contents.size()), 0);
        EXPECT_EQ(platform::set_modification_time(path, time), 0);
        return path;
    }

    // Checks the archive with Python's zipfile, independently of our reader:
    // method, sizes, CRC, name, time and the content itself.
    std::string python_check(const std::string& zip, const std::string& source, int method) {
        std::string script =
            "import zipfile, sys, time, zlib, os\n"
            "z = zipfile.ZipFile(sys.argv[1])\n"
            "assert z.testzip() is None\n"
            "[i] = z.infolist()\n"
            "data = open(sys.argv[2], 'rb').read()\n"
            "assert i.filename == os.path.basename(sys.argv[2]), i.filename\n"
            "assert i.compress_type == int(sys.argv[3]), i.compress_type\n"
            "assert i.file_size == len(data) and z.read(i) == data\n"
            "assert i.CRC == zlib.crc32(data)\n"
            "assert i.internal_attr == 1\n"
            "t = time.localtime(os.path.getmtime(sys.argv[2]))\n"
            "assert i.date_time == (t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec "
            "// 2 * 2), i.date_time\n"
            "assert int(os.path.getmtime(sys.argv[1])) == int(os.path.getmtime(sys.argv[2]))\n"
            "print('ok')\n";
        std::string script_path = dir + "/check.py";
        EXPECT_EQ(platform::write_whole_file(script_path, script.data(), script.size()), 0);
        return run("python3 " + script_path + " '" + zip + "' '" + source + "' " +
                   std::to_string(method));
    }

    orvane::testing::TempDirectory temp;
    std::string dir = temp.path();
};

TEST_F(ZipWriterTest, ArchivesPassUnzipAndPythonForTextBinaryAndEmptyFiles) {
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "Line " + std::to_string(i) + " of a letter to the conference.\r\n";
    std::string binary(200000, '\0');
    std::mt19937 random(7);
    for (char& c : binary) c = static_cast<char>(random());

    struct Case {
        std::string name, contents;
        int method;
    } cases[] = {{"T250907.upd", text, 8}, {"noise.bin", binary, 8}, {"empty.upd", "", 0}};
    for (const Case& c : cases) {
        std::string source = make(c.name, c.contents, 1757246400);  // 2025-09-07
        ASSERT_EQ(zip_file(source, 6), 0) << c.name;
        std::string zip = zip_target_path(source);
        EXPECT_NE(run("unzip -t '" + zip + "'").find("No errors detected"), std::string::npos)
            << c.name;
        EXPECT_EQ(python_check(zip, source, c.method), "ok\n") << c.name;
    }
    uint64_t text_zip_size = 0;
    platform::File zip;
    ASSERT_EQ(zip.open(dir + "/T250907.zip", platform::Access::Read, platform::Share::Read,
                       platform::Disposition::OpenExisting),
              0);
    ASSERT_EQ(zip.size(&text_zip_size), 0);
    EXPECT_LT(text_zip_size, text.size() / 4) << "text compresses";
}

TEST_F(ZipWriterTest, ErrorsLeaveNoArchiveBehind) {
    EXPECT_EQ(zip_file(dir + "/missing.upd", 5), kZipSourceNotOpened);
    EXPECT_FALSE(platform::file_exists(dir + "/missing.zip"));

    std::string source = make("a.upd", "hello", 1757246400);
    ASSERT_EQ(platform::write_whole_file(dir + "/a.zip", "old", 3), 0);
    EXPECT_EQ(zip_file(source, 5), kZipTargetExists);
    std::string old;
    ASSERT_EQ(platform::read_whole_file(dir + "/a.zip", &old), 0);
    EXPECT_EQ(old, "old") << "an existing archive is not touched";
    std::remove((dir + "/a.zip").c_str());

    // A write that fails halfway removes the partial archive.
    platform::FaultEnv fault;
    fault.arm(0, platform::FaultEnv::Fault::kFail, ".zip");
    EXPECT_EQ(zip_file(source, 5, fault), kZipTargetNotCreated);
    EXPECT_TRUE(fault.fired());
    EXPECT_FALSE(platform::file_exists(dir + "/a.zip"));

    EXPECT_EQ(zip_target_path("/x/y.z/name"), "/x/y.z/name.zip");
    EXPECT_EQ(zip_target_path("P.upd"), "P.zip");
}

}  // namespace
}  // namespace orvane::packet
