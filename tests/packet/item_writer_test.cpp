#include "packet/item_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "platform/file.h"
#include "platform/scripted_ui.h"
#include "tests/support/temp_directory.h"

namespace orvane::packet {
namespace {

using texts::HeaderCode;
using texts::TextKind;
using texts::TextRecord;

constexpr texts::NodeKey kHome = 'T';

class ItemWriterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(file.create(dir + "/T250907.upd"), 0);
        people.names[0] = "Ann Lee";
    }

    // Everything written, as lines without their CR LF; closes the packet.
    std::vector<std::string> lines() {
        EXPECT_EQ(file.close(), 0);
        std::string contents;
        EXPECT_EQ(platform::read_whole_file(file.path(), &contents), 0);
        std::vector<std::string> out;
        size_t at = 0;
        while (at < contents.size()) {
            size_t end = contents.find("\r\n", at);
            EXPECT_NE(end, std::string::npos) << "every line ends in CR LF";
            if (end == std::string::npos) break;
            out.push_back(contents.substr(at, end - at));
            at = end + 2;
        }
        return out;
    }

    static TextRecord new_text(uint32_t number, TextKind kind = TextKind::kText) {
        TextRecord t;
        t.id = number;
        t.kind_flags = texts::with_text_kind(0, kind);
        t.width = 76;
        t.subject = "Hello";
        t.body = "Body line\n";
        return t;
    }
    static texts::ReceiverEntry receiver(HeaderCode code, const std::string& name,
                                         HeaderCode previous = HeaderCode::kFrom) {
        texts::ReceiverEntry r;
        r.code = code;
        r.previous_code = previous;
        r.name.text = name;
        return r;
    }

    orvane::testing::TempDirectory temp;
    std::string dir = temp.path();
    PacketFile file;
    PacketPeople people;
    platform::ScriptedUi ui;
};

TEST_F(ItemWriterTest, NewTextWithReceiversInTheFixedOrder) {
    ItemWriter writer(file, people, kHome, ui);
    TextRecord t = new_text(17);
    t.receivers = {receiver(HeaderCode::kSubtract, "Old Friend"),
                   receiver(HeaderCode::kCc, "Bo Ek"), receiver(HeaderCode::kTo, "Cy Dahl"),
                   receiver(HeaderCode::kNcc, "Di Fo"), receiver(HeaderCode::kTo, "Ed Gu")};
    t.body = "@home is where\n  the heart is  \n";
    t.kind_flags |= texts::kind_flags::kSecret;
    EXPECT_EQ(writer.write(t), ItemResult::kWritten);
    EXPECT_EQ(lines(), (std::vector<std::string>{"@echo Orvane: T#17", "@To Cy Dahl", "@To Ed Gu",
                                                 "@Cc Bo Ek", "@Ncc Di Fo", "@subr Old Friend",
                                                 "@subj Hello", "@@home is where", "  the heart is",
                                                 "@cha type text secr"}));
}

TEST_F(ItemWriterTest, CommandsAreEchoedAndNotDoubled) {
    ItemWriter writer(file, people, kHome, ui);
    TextRecord c = new_text(5, TextKind::kNewText);
    c.body = "@home\nsend all\n";
    EXPECT_TRUE(is_command(c));
    EXPECT_EQ(writer.write(c), ItemResult::kWritten);
    EXPECT_EQ(lines(), (std::vector<std::string>{"@echo Orvane: C#5", "@home", "send all",
                                                 "@echo Orvane: E#5"}));
}

TEST_F(ItemWriterTest, EmptyTextsAndUnchangedItemsWriteNothing) {
    ItemWriter writer(file, people, kHome, ui);
    TextRecord empty = new_text(3);
    empty.subject.clear();
    empty.body.clear();
    EXPECT_EQ(writer.write(empty), ItemResult::kNothingToSend);
    TextRecord unchanged = new_text(0);
    unchanged.id = texts::make_text_id(kHome, 4711);
    unchanged.receivers = {receiver(HeaderCode::kTo, "Cy Dahl", HeaderCode::kTo)};
    EXPECT_EQ(writer.write(unchanged), ItemResult::kNothingToSend);
    TextRecord elsewhere = unchanged;
    elsewhere.id = texts::make_text_id('Q', 12);
    EXPECT_EQ(writer.write(elsewhere), ItemResult::kOtherNode);
    EXPECT_TRUE(lines().empty());
}

TEST_F(ItemWriterTest, CommentWithTakenOverReceiversNamesOnlyItsReference) {
    ItemWriter writer(file, people, kHome, ui);
    TextRecord c = new_text(9, TextKind::kComment);
    c.links = {{texts::make_text_id('Q', 321), HeaderCode::kReference, "Bo Ek"}};
    c.receivers = {receiver(HeaderCode::kTo, "Conf One", HeaderCode::kTo)};
    EXPECT_EQ(writer.write(c), ItemResult::kWritten);
    TextRecord a = new_text(10, TextKind::kAnswer);
    a.links = {{texts::make_text_id(kHome, 55), HeaderCode::kReference, ""}};
    a.kind_flags |= texts::kind_flags::kSubjectChanged;
    a.receivers = {receiver(HeaderCode::kTo, "Bo Ek", HeaderCode::kTo),
                   receiver(HeaderCode::kCc, "New Reader")};
    EXPECT_EQ(writer.write(a), ItemResult::kWritten);
    EXPECT_EQ(lines(), (std::vector<std::string>{"@echo Orvane: T#9", "@comm Q321", "Body line",
                                                 "@echo Orvane: T#10", "@answ 55", "@Cc New Reader",
                                                 "@subj Hello", "Body line"}));
}

TEST_F(ItemWriterTest, CharsetLineOnlyWhenItChanges) {
    ItemWriter writer(file, people, kHome, ui);
    TextRecord a = new_text(1), b = new_text(2), c = new_text(3), d = new_text(4);
    a.charset = b.charset =
        texts::make_charset(texts::charsets::kWindowsClass, texts::charsets::kWestVariant);
    c.charset = texts::make_charset(texts::charsets::kDosClass, texts::charsets::kCyrillicVariant);
    d.charset = 0;
    for (auto* t : {&a, &b, &c, &d}) ASSERT_EQ(writer.write(*t), ItemResult::kWritten);
    std::vector<std::string> charset_lines;
    for (const auto& line : lines()) {
        if (line.starts_with("@char")) charset_lines.push_back(line);
    }
    EXPECT_EQ(charset_lines, (std::vector<std::string>{"@char win west", "@char dos cyr"}));
}

TEST_F(ItemWriterTest, SenderLinesFollowTheOptions) {
    namespace opt = texts::outgoing_options;
    people.secretary = true;
    people.names[1] = "The Boss";
    ItemWriter writer(file, people, kHome, ui);
    TextRecord own = new_text(1);
    own.author.text = "Ann Lee";
    TextRecord boss = own;
    boss.id = 2;
    boss.author = {0, "The Boss"};
    boss.author_code = 1 << 14;
    boss.person = 1;
    boss.receivers = {receiver(HeaderCode::kTo, "Cy Dahl")};
    TextRecord shown = own;
    shown.id = 3;
    shown.outgoing_options = opt::kShowSender | opt::kSecretarySender;
    TextRecord for_someone = own;
    for_someone.id = 4;
    for_someone.for_person = "Client";
    for (auto* t : {&own, &boss, &shown, &for_someone})
        ASSERT_EQ(writer.write(*t), ItemResult::kWritten);
    std::vector<std::string> picked;
    for (const auto& line : lines()) {
        if (line.starts_with("@from") || line.starts_with("@sfro") || line.starts_with("@pfor") ||
            line.starts_with("@To"))
            picked.push_back(line);
    }
    EXPECT_EQ(picked, (std::vector<std::string>{"@from The Boss", "@To1 Cy Dahl", "@sfro Ann Lee",
                                                "@pfor Ann Lee"}));
}

TEST_F(ItemWriterTest, ChangesToServerTextsBetweenTheirEchoes) {
    ItemWriter writer(file, people, kHome, ui);
    std::string attachment = dir + "/report v2.txt";
    ASSERT_EQ(platform::write_whole_file(attachment, "plain text\n", 11), 0);
    TextRecord t = new_text(0);
    t.id = texts::make_text_id(kHome, 4711);
    auto tree = receiver(HeaderCode::kTo, "Cy Dahl <cy@example.org>");
    tree.thread = true;
    t.receivers = {receiver(HeaderCode::kTo, "Same", HeaderCode::kTo), tree,
                   receiver(HeaderCode::kSubtract, "Gone"),
                   receiver(HeaderCode::kCc, "Bo Ek", HeaderCode::kTo)};
    t.fields = {{HeaderCode::kAttach, "\"" + attachment + "\" the report"}};
    EXPECT_EQ(writer.write(t), ItemResult::kWritten);
    auto written = lines();
    ASSERT_EQ(written.size(), 10u);
    EXPECT_TRUE(written[0].starts_with("@file report_v2.txt 2 ")) << written[0];
    EXPECT_TRUE(written[0].ends_with(" the report")) << written[0];
    EXPECT_EQ(written[1], "plain_text\\J");
    EXPECT_EQ(written[2], "@eof");
    EXPECT_EQ(
        std::vector<std::string>(written.begin() + 3, written.end()),
        (std::vector<std::string>{"@echo Orvane: M#", "@add rec tree 4711 cy@example.org Cy Dahl",
                                  "@Cc 4711 Bo Ek", "@subr 4711 Gone", "@atta 4711 report_v2.txt",
                                  "@review tree 4711 no text", "@echo Orvane: R#"}));
}

TEST_F(ItemWriterTest, AMissingAttachmentAsksAndNoStopsTheBuild) {
    ItemWriter writer(file, people, kHome, ui);
    TextRecord t = new_text(8);
    t.fields = {{HeaderCode::kAttach, dir + "/gone.bin"}};
    ui.answers.push_back(platform::Answer::Yes);
    EXPECT_EQ(writer.write(t), ItemResult::kWritten);
    for (const auto& line : lines()) {
        EXPECT_FALSE(line.starts_with("@file") || line.starts_with("@atta")) << line;
    }
    ui.answers.push_back(platform::Answer::No);
    EXPECT_EQ(writer.write(t), ItemResult::kAborted);
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_NE(ui.shown[0].text.find("gone.bin'\nbecause it does not exist."), std::string::npos);
}

TEST(AttachValueTest, QuotedPathsAndTheirRemainder) {
    auto a = split_attach_value("\"/home/ann/my file.txt\" rest of it");
    EXPECT_EQ(a.path, "/home/ann/my file.txt");
    EXPECT_EQ(a.rest, "rest of it");
    a = split_attach_value("/tmp/x.bin");
    EXPECT_EQ(a.path, "/tmp/x.bin");
    EXPECT_EQ(a.rest, "");
    a = split_attach_value("\"unterminated");
    EXPECT_EQ(a.path, "unterminated");
    EXPECT_EQ(server_text_id(texts::make_text_id('C', 0x1234567), 'T'), "C19088743");
    EXPECT_EQ(server_text_id(texts::make_text_id('T', 5), 'T'), "5");
    EXPECT_EQ(server_text_id(42, 'T'), "42");
}

}  // namespace
}  // namespace orvane::packet
