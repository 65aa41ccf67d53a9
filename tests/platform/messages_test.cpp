#include <gtest/gtest.h>

#include <cerrno>

#include "platform/file.h"
#include "platform/message_format.h"
#include "platform/resource_strings.h"
#include "platform/scripted_ui.h"
#include "platform/ui.h"

namespace orvane::platform {
namespace {

TEST(MessageBoxTest, TitleAndIconFollowTheNumberRange) {
    set_last_file_error(0);
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
        MessageBox box = message_box_for(c.id);
        EXPECT_EQ(box.title, c.title) << c.id;
        EXPECT_EQ(box.icon, c.icon) << c.id;
    }
}

TEST(MessageBoxTest, FileMessagesGetTheSystemErrorAsSecondLine) {
    set_last_file_error(ENOENT);
    EXPECT_EQ(message_box_for(130, {"a.cab"}).text,
              "Cannot open the file 'a.cab'\nNo such file or directory");
    EXPECT_EQ(message_box_for(132, {"b"}).text,
              "Cannot write the file 'b'\nNo such file or directory");
    EXPECT_EQ(message_box_for(65, {"x"}).text, "x is missing")
        << "other messages get no second line";
    set_last_file_error(0);
    EXPECT_EQ(message_box_for(131, {"c"}).text, "Cannot read the file 'c'");
}

TEST(MessageBoxTest, ProgramNameReplacesThePlaceholder) {
    EXPECT_EQ(resource_string(883), "Find and open Orvane.ini");
    EXPECT_EQ(message_box_for(174, {56, 55}).text.substr(0, 39),
              "The file Orvane.ini has been written by");
    EXPECT_FALSE(has_resource_string(1));
    EXPECT_EQ(resource_string(1), "");
}

TEST(MessageBoxTest, ScriptedUiRecordsAndAnswers) {
    ScriptedUi ui;
    ui.answers.push_back(Answer::No);
    EXPECT_EQ(ui.ask(174, Buttons::YesNo, Answer::Yes, {60, 55}), Answer::No);
    EXPECT_EQ(ui.ask(174, Buttons::YesNo, Answer::No, {60, 55}), Answer::No)
        << "empty queue: the safe answer";
    ui.engine_error("reading text 12", "Bad index");
    ASSERT_EQ(ui.shown.size(), 3u);
    EXPECT_EQ(ui.shown[2].text, "reading text 12:\nBad index");
    EXPECT_EQ(ui.shown[2].title, "Orvane - Error");
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
