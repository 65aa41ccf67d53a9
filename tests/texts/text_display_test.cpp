#include "texts/text_display.h"

#include <gtest/gtest.h>

#include "tests/texts/test_helpers.h"

namespace orvane::texts {
namespace {

using testing::TestNodes;

TEST(HeadingLine, NodeAndLocalTexts) {
    const TestNodes nodes;
    const DisplayContext shown{nodes, 'K'};
    TextRecord text;
    text.id = make_text_id('T', 1234);
    text.body = "a\nb\n";
    EXPECT_EQ(heading_line(text, shown), "Text TELVA:1234 (2 lines)");
    text.kind_flags = kind_flags::kLetter;
    text.body = "a\n";
    EXPECT_EQ(heading_line(text, shown), "Letter TELVA:1234 (1 line)");
    EXPECT_EQ(heading_line(text, DisplayContext{nodes, 'T'}), "Letter 1234 (1 line)");

    TextRecord local;
    local.id = 17;
    EXPECT_EQ(heading_line(local, shown), "Text 17");
    local.kind_flags = with_text_kind(kind_flags::kUnsent, TextKind::kComment);
    EXPECT_EQ(heading_line(local, shown), "Unsent Comment 17");
    local.kind_flags = with_text_kind(0, TextKind::kAnswer);
    EXPECT_EQ(heading_line(local, shown), "Answer 17");
}

TEST(HeadingLine, PlainTextCarriesCharsetAndFlags) {
    const TestNodes nodes;
    const DisplayContext plain{nodes, 'T', true};
    TextRecord text;
    text.id = make_text_id('K', 9);
    text.body = "x\n";
    EXPECT_EQ(heading_line(text, plain), "Text KOMNET:9 (1 line)");
    text.charset = make_charset(2, 5);
    text.kind_flags = kind_flags::kUnsent;
    text.importance = 3;
    text.priority = 200;
    EXPECT_EQ(heading_line(text, plain), "Unsent Text KOMNET:9 (1 line) [W5] {UI3P200}");
    // The display form leaves both out.
    EXPECT_EQ(heading_line(text, DisplayContext{nodes, 'T'}), "Unsent Text KOMNET:9 (1 line)");
    // The class letter is kept, so that a DOS text reads back as one.
    text.charset = make_charset(1, 1);
    text.kind_flags = 0;
    text.importance = 0;
    EXPECT_EQ(heading_line(text, plain), "Text KOMNET:9 (1 line) [D1] {P200}");
}

TEST(HeaderLines, DisplayAndPlainForms) {
    EXPECT_EQ(header_line("From", "Anna", false), "From:\tAnna");
    EXPECT_EQ(header_line("From", "Anna", true), "From:     Anna");
    EXPECT_EQ(header_line("Subject", "", true), "Subject:");
    EXPECT_EQ(header_line("Reply-To", "a@b", true), "Reply-To: a@b");
    EXPECT_EQ(header_line("Reference", "Text 5", true), "Reference: Text 5");
}

TEST(HeaderLines, WholeTextReadsLikeServerOutput) {
    const TestNodes nodes;
    TextRecord text;
    text.id = make_text_id('T', 10);
    text.author = {1, "Anna Berg"};
    text.by = {1, "Gate"};
    text.via = true;
    ReceiverEntry to;
    to.name = {1, "Bo Ek"};
    to.code = HeaderCode::kTo;
    to.number = 3;
    to.date = 916413640;  // 15-Jan-99 10:20 EST
    to.date_kind = DateKind::kPosted;
    to.sender = "Carl";
    text.receivers.push_back(to);
    ReceiverEntry thread;
    thread.name = {1, "Conf"};
    thread.code = HeaderCode::kCc;
    thread.thread = true;
    text.receivers.push_back(thread);
    text.date = 916395630;
    text.links.push_back({make_text_id('K', 7), HeaderCode::kReference, "Dan"});
    text.fields.push_back({HeaderCode::kRemark, "note"});
    text.fields.push_back({HeaderCode::kAttachRenamed, "hidden"});
    text.subject = "Hello";

    const DisplayContext plain{nodes, 'T', true, TimeDisplay::own_zone};
    EXPECT_EQ(header_lines(text, plain),
              (std::vector<std::string>{
                  "From:     Anna Berg",
                  "Via:      Gate",
                  "To:       Bo Ek [3]  (posted: 15-Jan-99 10:20 -0500)  (sender: Carl)",
                  "Cc:thread Conf",
                  "Date:     15-Jan-99 10:20",
                  "Reference: Text KOMNET:7 Dan",
                  "Remark:   note",
                  "Subject:  Hello",
              }));
    const DisplayContext shown{nodes, 'T', false, TimeDisplay::utc};
    const auto lines = header_lines(text, shown);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[2], "To:\tBo Ek [3]  (posted: 15-Jan-99 15:20)  (sender: Carl)");
    EXPECT_EQ(lines[3], "Cc:thread\tConf");
}

TEST(ShownSubject, RemoveRe) {
    EXPECT_EQ(shown_subject("Re: Re:Fwd: FW:\tHello", true), "Hello");
    EXPECT_EQ(shown_subject("Re: Hello", false), "Re: Hello");
    EXPECT_EQ(shown_subject("Re:  Hello", true), " Hello");  // only one blank goes with each prefix
    EXPECT_EQ(shown_subject("Regards", true), "Regards");
    EXPECT_EQ(shown_subject("Re:", true), "");
}

}  // namespace
}  // namespace orvane::texts
