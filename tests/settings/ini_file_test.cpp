#include "settings/ini_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/fault_env.h"
#include "platform/file.h"
#include "settings/ini_text.h"
#include "settings/ini_values.h"
#include "tests/support/read_only_env.h"
#include "tests/support/status_matchers.h"
#include "tests/support/temp_directory.h"

namespace orvane::settings {
namespace {

using orvane::testing::TempDirectory;

std::string read(const std::string& path) {
    std::string text;
    EXPECT_EQ(platform::read_whole_file(path, &text), 0);
    return text;
}

void write(const std::string& path, const std::string& text) {
    ASSERT_EQ(platform::write_whole_file(path, text.data(), text.size()), 0);
}

TEST(IniFileTest, HoldersShareOneEntryAndOnlyACommitWrites) {
    TempDirectory dir;
    IniCache cache;
    IniFile first = cache.open(dir.path(), "Orvane.ini");
    IniFile second = cache.open(dir.path() + "/", "Orvane.ini");
    EXPECT_EQ(cache.size(), 1u);
    first.put_string("User", "Name", "Ann");
    EXPECT_EQ(second.get_string("user", "name"), "Ann");
    first.close();
    EXPECT_FALSE(platform::file_exists(dir.file("Orvane.ini")));
    ASSERT_OK(second.commit());
    EXPECT_EQ(read(dir.file("Orvane.ini")), "[User]\nName=Ann\n");
    // A change that is let go without a commit is abandoned.
    second.put_string("User", "Name", "Bob");
    second.close();
    EXPECT_EQ(cache.size(), 0u);
    EXPECT_EQ(read(dir.file("Orvane.ini")), "[User]\nName=Ann\n");
}

TEST(IniFileTest, ReleaseWithoutChangesLeavesTheFileUntouched) {
    TempDirectory dir;
    std::string path = dir.file("Orvane.ini");
    std::string original = "; hand-written\r\n[Options]\r\nRight Margin = 70\r\nQuote Mark=\">> \"";
    write(path, original);
    ASSERT_EQ(platform::set_modification_time(path, 1000000000), 0);
    IniCache cache;
    {
        IniFile file = cache.open(dir.path(), "Orvane.ini");
        EXPECT_EQ(get_int(file, "Options", "Right Margin", 76),
                  76);  // "Right Margin " is another key
        put_int(file, "Options", "Zip Level", 5, 5);
        file.put_string("Options", "Quote Mark", "\">> \"");  // the same line again
        ASSERT_OK(file.commit());
    }
    EXPECT_EQ(read(path), original);
    std::time_t time = 0;
    ASSERT_EQ(platform::file_modification_time(path, &time), 0);
    EXPECT_EQ(time, 1000000000);
}

TEST(IniFileTest, EveryFailedWriteIsReportedWithTheFileAndTheReason) {
    TempDirectory dir;
    const std::string path = dir.file("Orvane.ini");
    write(path, "[User]\nName=Ann\n");
    {
        IniCache cache;
        IniFile file = cache.open(dir.file("missing-folder"), "Orvane.ini");
        file.put_string("A", "b", "c");
        const platform::Status committed = file.commit();
        EXPECT_EQ(committed.id(), platform::MessageId::kCannotWriteFile);
        EXPECT_EQ(committed.subject(), dir.file("missing-folder/Orvane.ini"));
        EXPECT_EQ(committed.system_error(), ENOENT);
    }
    {
        // A read-only folder, whoever runs the test.
        orvane::testing::ReadOnlyEnv read_only;
        IniCache cache(read_only);
        IniFile file = cache.open(dir.path(), "Orvane.ini");
        file.put_string("User", "Name", "Bob");
        const platform::Status committed = file.commit();
        EXPECT_EQ(committed.id(), platform::MessageId::kCannotWriteFile);
        EXPECT_EQ(committed.subject(), path);
        EXPECT_NE(committed.text().find("Permission denied"), std::string::npos)
            << committed.text();
    }
    // A full disk or a failing device, at every step of the write: the
    // failure is reported and the old file stays whole.
    platform::FaultEnv faults;
    for (uint64_t step = 0;; ++step) {
        IniCache cache(faults);
        IniFile file = cache.open(dir.path(), "Orvane.ini");
        file.put_string("User", "Name", "Cy");
        faults.arm(step, platform::FaultEnv::Fault::kFail);
        const platform::Status committed = file.commit();
        if (!faults.fired()) {
            ASSERT_OK(committed);
            break;
        }
        EXPECT_EQ(committed.id(), platform::MessageId::kCannotWriteFile) << step;
        EXPECT_EQ(read(path), "[User]\nName=Ann\n") << step;
    }
    faults.disarm();
    EXPECT_EQ(read(path), "[User]\nName=Cy\n");
}

TEST(IniFileTest, FilesAreReadWholeHoweverLong) {
    TempDirectory dir;
    const std::string path = dir.file("Orvane.ini");
    // Past the 65502 characters that used to be read: the users list at
    // the end must survive a write.
    std::string text =
        "[Common]\nBig=" + std::string(70000, 'x') + "\n\n[Users]\n::Users/Ann=67,Ann,4\n";
    write(path, text);
    IniCache cache;
    IniFile file = cache.open(dir.path(), "Orvane.ini");
    EXPECT_EQ(file.get_string("Users", "::Users/Ann"), "67,Ann,4");
    file.put_string("Common", "Connection", "2");
    ASSERT_OK(file.commit());
    std::string written = read(path);
    EXPECT_NE(written.find("::Users/Ann=67,Ann,4"), std::string::npos);
    EXPECT_NE(written.find(std::string(70000, 'x')), std::string::npos);
}

TEST(IniFileTest, ValuesAndNamesThatCannotBeReadBackAreRefused) {
    EXPECT_OK(IniFile::storable("Common", "Big", std::string(kIniMaxValueLength, 'x')));
    const platform::Status too_long =
        IniFile::storable("Common", "Big", std::string(kIniMaxValueLength + 1, 'x'));
    EXPECT_EQ(too_long.id(), platform::MessageId::kSettingNotStorable);
    EXPECT_NE(too_long.text().find("65502"), std::string::npos) << too_long.text();
    EXPECT_FALSE(IniFile::storable("S", "k", "line\n@delete 9").ok());
    EXPECT_FALSE(IniFile::storable("S", "k", std::string("a\0b", 3)).ok());
    EXPECT_FALSE(IniFile::storable("S]", "k", "v").ok());
    EXPECT_FALSE(IniFile::storable("S", "k=1", "v").ok());
    EXPECT_FALSE(IniFile::storable("S", "[T]", "v").ok());
    EXPECT_FALSE(IniFile::storable("S", "", "v").ok());
}

TEST(IniFileTest, AFileThatIsAFolderReadsAsEmptyAndIsNeverWritten) {
    TempDirectory dir;
    ASSERT_EQ(platform::make_directories(dir.file("Orvane.ini")), 0);
    IniCache cache;
    IniFile file = cache.open(dir.path(), "Orvane.ini");
    EXPECT_EQ(file.read_status().system_error(), EISDIR);
    file.put_string("Users", "::x", "67,X,4");
    const platform::Status committed = file.commit();
    EXPECT_EQ(committed.id(), platform::MessageId::kCannotReadFile);
    EXPECT_NE(committed.text().find("Is a directory"), std::string::npos) << committed.text();
    EXPECT_TRUE(platform::directory_exists(dir.file("Orvane.ini")));
}

TEST(IniFileTest, WritingKeepsThePermissionsOfTheFile) {
    TempDirectory dir;
    std::string path = dir.file("Orvane.ini");
    write(path, "[User]\nPassword=~00\n");
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    IniCache cache;
    {
        IniFile file = cache.open(dir.path(), "Orvane.ini");
        file.put_string("User", "Name", "Ann");
        ASSERT_OK(file.commit());
    }
    struct stat status {};
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}

// Reading fails as it does for a file without read permission, whoever
// runs the test.
class UnreadableEnv : public platform::EnvWrapper {
  public:
    UnreadableEnv() : EnvWrapper(platform::system_env()) {}
    int open(const std::string& path, int flags, int mode, int* fd) override {
        if ((flags & O_ACCMODE) == O_RDONLY) return EACCES;
        return EnvWrapper::open(path, flags, mode, fd);
    }
};

TEST(IniFileTest, AFileThatCannotBeReadIsNeverWrittenOver) {
    TempDirectory dir;
    std::string path = dir.file("Orvane.ini");
    write(path, "[User]\nPassword=~00\nName=Ann\n");
    UnreadableEnv unreadable;
    IniCache cache(unreadable);
    {
        IniFile file = cache.open(dir.path(), "Orvane.ini");
        file.put_string("User", "Name", "Bob");
        const platform::Status committed = file.commit();
        EXPECT_EQ(committed.id(), platform::MessageId::kCannotReadFile) << committed.text();
    }
    EXPECT_EQ(read(path), "[User]\nPassword=~00\nName=Ann\n");
}

TEST(IniValuesTest, NumbersDatesAndTexts) {
    TempDirectory dir;
    write(dir.file("a.ini"),
          "[S]\nInt=-12x\nBig=99999999999\nEmpty=\nU=-1\nDate=junk\nText=\"a^Mb \"\n");
    IniCache cache;
    IniFile file = cache.open(dir.path(), "a.ini");
    EXPECT_EQ(get_int(file, "S", "Int", 5), -12);
    EXPECT_EQ(get_int(file, "S", "Big", 5), INT32_MAX);
    EXPECT_EQ(get_int(file, "S", "Empty", 5), 5);
    EXPECT_EQ(get_unsigned(file, "S", "U", 0), UINT32_MAX);
    EXPECT_EQ(get_date(file, "S", "Date", 7), 7u);
    EXPECT_EQ(get_text(file, "S", "Text", ""), "a\nb ");

    put_date(file, "S", "When", 1700000000, 0);
    EXPECT_EQ(get_date(file, "S", "When", 0), 1700000000u);
    put_date(file, "S", "When", 0, 1700000000);
    EXPECT_FALSE(file.has_key("S", "When"));

    put_text(file, "S", "Text", "line 1\nline 2 ", "a\nb ", "default");
    EXPECT_EQ(file.get_string("S", "Text"), "line 1^Mline 2 ");
    EXPECT_EQ(get_text(file, "S", "Text", ""), "line 1\nline 2 ");
    put_text(file, "S", "Text", "default", "line 1\nline 2 ", "default");
    EXPECT_FALSE(file.has_key("S", "Text"));
}

TEST(IniValuesTest, PathsAreAbbreviatedAndExpanded) {
    PathBase base{"/opt/orvane", "/opt/orvane/Users/AnnLee-S"};
    TempDirectory dir;
    IniCache cache;
    IniFile file = cache.open(dir.path(), "a.ini");
    put_path(file, "O", "Log Dir", "/opt/orvane/Users/AnnLee-S/LOG", "", base, true);
    put_path(file, "O", "Common", "/opt/orvane/Users/AnnLee-S/LOG", "", base, false);
    put_path(file, "O", "Elsewhere", "/opt/orvane-other/x", "", base, true);
    put_path(file, "O", "Home", "/opt/orvane", "", base, true);
    EXPECT_EQ(file.get_string("O", "Log Dir"), ":::LOG");
    EXPECT_EQ(file.get_string("O", "Common"), "::Users/AnnLee-S/LOG");
    EXPECT_EQ(file.get_string("O", "Elsewhere"), ":opt/orvane-other/x");
    EXPECT_EQ(file.get_string("O", "Home"), "::");
    EXPECT_EQ(get_directory(file, "O", "Log Dir", base), "/opt/orvane/Users/AnnLee-S/LOG");
    EXPECT_EQ(get_directory(file, "O", "Elsewhere", base), "/opt/orvane-other/x");
    EXPECT_EQ(get_directory(file, "O", "Home", base), "/opt/orvane");
    file.put_string("O", "Slash", "/tmp/x/");
    EXPECT_EQ(get_directory(file, "O", "Slash", base), "/tmp/x");
    file.put_string("O", "Root", ":");
    EXPECT_EQ(get_directory(file, "O", "Root", base), "/");
    EXPECT_EQ(get_path(file, "O", "Missing", base, "/d"), "/d");

    // The user directory is not abbreviated when it is the program directory.
    PathBase shared{"/opt/orvane", "/opt/orvane/"};
    put_path(file, "O", "Shared", "/opt/orvane/LOG", "", shared, true);
    EXPECT_EQ(file.get_string("O", "Shared"), "::LOG");
}

}  // namespace
}  // namespace orvane::settings
