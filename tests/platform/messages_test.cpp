#include <gtest/gtest.h>

#include <cerrno>

#include "platform/file.h"
#include "platform/message_format.h"
#include "platform/policy.h"
#include "platform/resource_strings.h"
#include "platform/scripted_ui.h"
#include "platform/ui.h"

namespace orvane::platform {
namespace {

TEST(MessageBoxTest, TitleAndIconFollowTheNumberRange) {
    struct Case {
        int id;
        const char* title;
        Icon icon;
    } cases[] = {
        {33, "Orvane - Information", Icon::Information},
        {47, "Orvane - Information", Icon::Information},
        {48, "Orvane - Warning", Icon::Information},
        {56, "Orvane - Warning", Icon::Information},
        {63, "Orvane - Warning", Icon::Information},
        {64, "Orvane - Error", Icon::Exclamation},
        {67, "Orvane - Error", Icon::Exclamation},
        {127, "Orvane - Error", Icon::Exclamation},
        {131, "Orvane - Error", Icon::Exclamation},
        {884, "Orvane - Error", Icon::Exclamation},
    };
    for (const Case& c : cases) {
        MessageBox box = message_box_for(static_cast<MessageId>(c.id));
        EXPECT_EQ(box.title, c.title) << c.id;
        EXPECT_EQ(box.icon, c.icon) << c.id;
    }
}

TEST(StatusTest, EachKindSaysWhatWentWrongInItsOwnWords) {
    EXPECT_TRUE(Status().ok());
    EXPECT_EQ(Status().text(), "");

    const Status file = Status::file(MessageId::kCannotOpenFile, "a.cab", ENOENT);
    EXPECT_FALSE(file.ok());
    EXPECT_EQ(file.system_error(), ENOENT);
    EXPECT_EQ(file.text(), "Cannot open the file 'a.cab'\nNo such file or directory");
    EXPECT_EQ(message_box_for(file).title, "Orvane - Error");
    EXPECT_EQ(Status::file(MessageId::kCannotReadFile, "c", 0).text(), "Cannot read the file 'c'")
        << "no error number, no second line";

    Status engine = Status::engine("reading text 12", 16, "Corrupt file");
    EXPECT_EQ(engine.text(), "reading text 12:\nCorrupt file");
    EXPECT_EQ(engine.engine_code(), 16);
    EXPECT_EQ(std::move(engine).within("opening the cabinet").text(),
              "opening the cabinet: reading text 12:\nCorrupt file");

    const Status message = Status::message(MessageId::kIsMissing, {"x"});
    EXPECT_EQ(message.text(), "x is missing");
    EXPECT_EQ(message_box_for(message).title, "Orvane - Error");
    EXPECT_EQ(message_box_for(Status::message(MessageId::kNoMailToSend)).title,
              "Orvane - Information");

    EXPECT_TRUE(Status::cancelled().is_cancelled());
    ScriptedUi ui;
    ui.report(Status::cancelled());
    ui.report(Status());
    EXPECT_TRUE(ui.shown.empty()) << "success and a cancel say nothing";
    ui.report(file);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, file.text());
}

TEST(StatusTest, AResultHoldsAValueOrTheReasonForNone) {
    Result<int> value = 7;
    EXPECT_TRUE(value.ok());
    EXPECT_EQ(*value, 7);
    EXPECT_TRUE(value.status().ok());
    Result<int> none = Status::message(MessageId::kCabinetFull);
    EXPECT_FALSE(none.ok());
    EXPECT_EQ(none.take_status().id(), MessageId::kCabinetFull);
}

TEST(MessageBoxTest, ProgramNameReplacesThePlaceholder) {
    EXPECT_EQ(resource_string(883), "Find and open Orvane.ini");
    EXPECT_EQ(message_box_for(MessageId::kSettingsVersion, std::vector<FormatArg>{56, 55})
                  .text.substr(0, 39),
              "The file Orvane.ini has been written by");
    EXPECT_FALSE(has_resource_string(1));
    EXPECT_EQ(resource_string(1), "");
}

TEST(PolicyTest, UnattendedAndScriptedAnswersNeverBlock) {
    ScriptedUi ui;
    ui.answers.push_back(Answer::No);
    EXPECT_EQ(ui.ask(MessageId::kSettingsVersion, Buttons::YesNo, Answer::Yes, {60, 55}),
              Answer::No);
    EXPECT_EQ(ui.ask(MessageId::kSettingsVersion, Buttons::YesNo, Answer::No, {60, 55}), Answer::No)
        << "empty queue: the safe answer";
    const Choice choice{"Download", "The file exists", {"Resume", "Overwrite", "Skip"}, 2, 60000};
    ui.choices.push_back(1);
    EXPECT_EQ(ui.choose(choice), 1u);
    EXPECT_EQ(ui.choose(choice), 2u) << "empty queue: the safe option";

    UnattendedPolicy unattended;
    const Question question{
        MessageId::kCreateMissingCabinet, {"x.cab"}, Buttons::YesNo, Answer::No};
    EXPECT_EQ(unattended.decide(question), Answer::No);
    unattended.answer = true;
    EXPECT_EQ(unattended.decide(question), Answer::Yes);
    EXPECT_EQ(unattended.choose(choice), 2u);
    EXPECT_FALSE(unattended.secret("Password", 10));
    auto progress = unattended.progress("Working");
    EXPECT_TRUE(progress->update(1, 2));
    unattended.cancel = true;
    EXPECT_FALSE(progress->update(2, 2));
    unattended.notice(Status::message(MessageId::kLeftOnOtherNode, {"C"}));
    ASSERT_EQ(unattended.notices.size(), 1u);
}

TEST(MessageFormatTest, ConversionsTakeTheirOwnTypes) {
    EXPECT_EQ(format_message("%s:%d", {"C", 42}), "C:42");
    EXPECT_EQ(format_message("%c:%d", {'Q', 7}), "Q:7");
    EXPECT_EQ(format_message("%08X|%x|%5d|%-4s|", {0xBEEFu, 255, 12, "ab"}),
              "0000BEEF|ff|   12|ab  |");
    EXPECT_EQ(format_message("100%% %u", {-1}), "100% 4294967295");
    EXPECT_EQ(format_message("%.3s", {"abcdef"}), "abc");
    // Mismatches give a wrong text, never a crash.
    EXPECT_EQ(format_message("%s %d %s", {12, "x"}), "12 0 ");
    EXPECT_EQ(format_message("%d%", {1}), "1%");
    EXPECT_EQ(format_message("%q", {}), "%q");
    EXPECT_EQ(format_message("%2000d", {1}).size(), 255u) << "widths are capped";
}

}  // namespace
}  // namespace orvane::platform
