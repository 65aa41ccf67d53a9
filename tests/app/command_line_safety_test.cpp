// The command line with bad input and at its edges, run as a user would: it
// ends, it never creates or rewrites a cabinet behind the user's back, and
// it names what it could not keep.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "cabinet/cabinet.h"
#include "cabinet/fixed_boxes.h"
#include "cabinet/keys.h"
#include "platform/bytes.h"
#include "platform/file.h"
#include "platform/scripted_ui.h"
#include "tests/support/run_program.h"
#include "tests/support/status_matchers.h"
#include "tests/support/temp_directory.h"

namespace orvane::app {
namespace {

using orvane::testing::ProgramRun;
using orvane::testing::run_orvane;
namespace box = cabinet::box;

class CommandLineSafetyTest : public ::testing::Test {
  protected:
    ProgramRun orvane(const std::string& arguments, const std::string& input = {}) {
        return run_orvane("--home '" + home.path() + "' " + arguments, input, "timeout 60");
    }
    std::string cabinet_path(const std::string& name) { return home.file(name); }

    // A cabinet made through the library, with `texts` letters in `box`.
    void make_cabinet(const std::string& path, int texts, uint16_t in_box = box::kInBasket) {
        auto created = cabinet::Cabinet::create(path, {}, ui);
        ASSERT_OK(created);
        cabinet::FilingBatch batch(**created);
        for (int i = 1; i <= texts; ++i) {
            texts::TextRecord text;
            text.id = texts::make_text_id('C', static_cast<uint32_t>(i));
            text.subject = "Text " + std::to_string(i);
            text.body = std::string(300, 'a' + i % 26) + "\n";
            ASSERT_OK((*created)->file_text(text, in_box));
        }
        ASSERT_OK(batch.commit());
        ASSERT_OK((*created)->close());
    }

    orvane::testing::TempDirectory home;
    platform::ScriptedUi ui;
};

TEST_F(CommandLineSafetyTest, TheShellEndsWhenPipedInputEnds) {
    ASSERT_EQ(orvane("user add --node C --name 'Ann Lee'").exit_code, 0);
    const ProgramRun run = orvane("shell");  // the input pipe is closed at once
    EXPECT_EQ(run.exit_code, 0) << "124 means it hung: " << run.err;
}

TEST_F(CommandLineSafetyTest, ACabinetNamedByHandIsNeverMadeWithoutAYes) {
    const std::string typo = cabinet_path("typo.cab");
    for (const char* command : {"box list", "text list 1", "cabinet info", "cabinet repair"}) {
        const ProgramRun run = orvane("--cabinet '" + typo + "' " + command);
        EXPECT_NE(run.exit_code, 0) << command;
        EXPECT_FALSE(platform::file_exists(typo)) << command << " made the file";
    }
    // Asked, but nobody can answer: the safe answer for a named file is No.
    ProgramRun run = orvane("--cabinet '" + typo + "' box create Friends");
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_FALSE(platform::file_exists(typo));
    run = orvane("--cabinet '" + typo + "' box create Friends --yes");
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_TRUE(platform::file_exists(typo));
}

TEST_F(CommandLineSafetyTest, GlobalOptionsWorkAfterTheCommandToo) {
    make_cabinet(cabinet_path("a.cab"), 1);
    const ProgramRun run = orvane("box list --json --cabinet '" + cabinet_path("a.cab") + "'");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out.front(), '[') << run.out;
}

TEST_F(CommandLineSafetyTest, ATruncatedCabinetIsRepairedOnlyBesideACopyAndWithAWord) {
    const std::string path = cabinet_path("t.cab");
    make_cabinet(path, 150);
    const auto size = std::filesystem::file_size(path);
    std::filesystem::resize_file(path, size / 3);
    const ProgramRun run = orvane("--cabinet '" + path + "' box list");
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.err.find("was damaged and has been repaired"), std::string::npos) << run.err;
    std::vector<std::filesystem::path> copies;
    for (const auto& entry : std::filesystem::directory_iterator(home.path()))
        if (entry.path().filename().string().starts_with("t-damaged-")) copies.push_back(entry);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(std::filesystem::file_size(copies[0]), size / 3) << "the damaged file as it was";
    // Repaired once: the next run finds nothing to do.
    EXPECT_EQ(orvane("--cabinet '" + path + "' box list").err.find("damaged"), std::string::npos);
}

TEST_F(CommandLineSafetyTest, ADamagedTextIsNamedAndALocalOneIsNeverFetchedFromTheNode) {
    const std::string path = cabinet_path("d.cab");
    {
        auto created = cabinet::Cabinet::create(path, {}, ui);
        ASSERT_OK(created);
        texts::TextRecord local;
        local.id = 7;  // a letter written here: it has no number on the node
        local.subject = "Mine";
        local.body = "text\n";
        ASSERT_OK((*created)->file_text(local, box::kOutBasket));
        // Damage: the stored length claims more than the record holds.
        const cabinet::Key key = cabinet::text_key(7);
        std::vector<uint8_t> bytes(4096);
        size_t length = 0;
        ASSERT_EQ(store::DbGet((*created)->db(), store::GET_EXACT, key.bytes, key.length, nullptr,
                               nullptr, 0, bytes.data(), &length, bytes.size()),
                  store::kDbOk);
        platform::store_le16(&bytes[8], static_cast<uint16_t>(length + 40));
        ASSERT_EQ(store::DbPut((*created)->db(), key.bytes, key.length, bytes.data(), length),
                  store::kDbOk);
        ASSERT_OK((*created)->close());
    }
    ProgramRun run = orvane("--cabinet '" + path + "' text list Out-Basket");
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.err.find("Text 7 was damaged"), std::string::npos) << run.err;
    run = orvane("--yes --cabinet '" + path + "' cabinet repair");
    EXPECT_EQ(run.exit_code, 0) << run.err;
    run = orvane("--json --cabinet '" + path + "' text list Out-Basket");
    EXPECT_EQ(run.out, "[]\n") << "no @down for a number the node never gave";
}

}  // namespace
}  // namespace orvane::app
