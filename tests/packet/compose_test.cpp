#include "packet/compose.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "packet/item_writer.h"
#include "platform/file.h"
#include "platform/scripted_ui.h"

namespace orvane::packet {
namespace {

using texts::HeaderCode;
using texts::TextKind;

Writer ann() {
    Writer w;
    w.author.text = "Ann Lee";
    w.look.right_margin = 60;
    return w;
}

texts::TextRecord stored_text() {
    texts::TextRecord t;
    t.id = texts::make_text_id('T', 4711);
    t.author.text = "Bo Ek";
    t.subject = "Summer meeting";
    t.body = "Where shall we meet?\n";
    texts::ReceiverEntry conference;
    conference.code = HeaderCode::kTo;
    conference.previous_code = HeaderCode::kTo;
    conference.name.text = "Gardening";
    conference.number = 88;
    t.receivers.push_back(conference);
    return t;
}

// Writes `item` alone and returns the lines of the packet.
std::vector<std::string> packet_lines(const texts::TextRecord& item) {
    char pattern[] = "/tmp/orvane-compose-XXXXXX";
    std::string dir = mkdtemp(pattern);
    PacketFile file;
    EXPECT_EQ(file.create(dir + "/p.upd"), 0);
    PacketPeople people;
    platform::ScriptedUi ui;
    ItemWriter writer(file, people, 'T', ui);
    EXPECT_EQ(writer.write(item), ItemResult::kWritten);
    EXPECT_EQ(file.close(), 0);
    std::string contents;
    EXPECT_EQ(platform::read_whole_file(dir + "/p.upd", &contents), 0);
    std::system(("rm -rf " + dir).c_str());
    std::vector<std::string> lines;
    for (size_t at = 0, end; (end = contents.find("\r\n", at)) != std::string::npos; at = end + 2) {
        lines.push_back(contents.substr(at, end - at));
    }
    return lines;
}

TEST(ComposeTest, LettersAndConferenceTextsNameTheirReceivers) {
    Draft draft;
    draft.to = {"Bo Ek"};
    draft.cc = {"Cy Dahl"};
    draft.subject = "Hi";
    draft.body = "A line without an end";
    draft.attachments = {"/tmp/my notes.txt"};
    texts::TextRecord letter = compose_text(12, 1000, ann(), draft, true);
    EXPECT_EQ(letter.id, 12u);
    EXPECT_EQ(letter.author.text, "Ann Lee");
    EXPECT_EQ(letter.body, "A line without an end\n");
    EXPECT_TRUE(letter.kind_flags & texts::kind_flags::kLetter);
    EXPECT_EQ(texts::text_kind(letter.kind_flags), TextKind::kText);
    ASSERT_EQ(letter.fields.size(), 1u);
    EXPECT_EQ(letter.fields[0].value, "\"/tmp/my notes.txt\"");
    EXPECT_EQ(letter.width, 60);
    EXPECT_FALSE(is_command(letter));
}

TEST(ComposeTest, ACommentTakesOverReferenceAndReceiversAndSendsNoneOfThem) {
    Draft draft;
    draft.body = "At the station.\n";
    texts::TextRecord comment = compose_reply(13, 1000, ann(), stored_text(), draft, true);
    EXPECT_EQ(comment.subject, "Summer meeting");
    EXPECT_FALSE(comment.kind_flags & texts::kind_flags::kSubjectChanged);
    EXPECT_EQ(packet_lines(comment),
              (std::vector<std::string>{"@echo Orvane: T#13", "@comm 4711", "At the station."}));
}

TEST(ComposeTest, AnAnswerGoesToTheAuthorAndAChangedSubjectIsSent) {
    Draft draft;
    draft.subject = "Meeting in June";
    draft.cc = {"Di Fo"};
    draft.body = "Fine.\n";
    texts::TextRecord answer = compose_reply(14, 1000, ann(), stored_text(), draft, false);
    ASSERT_EQ(answer.receivers.size(), 2u);
    EXPECT_EQ(answer.receivers[0].name.text, "Bo Ek");
    EXPECT_EQ(answer.receivers[0].previous_code, HeaderCode::kTo);
    EXPECT_EQ(packet_lines(answer),
              (std::vector<std::string>{"@echo Orvane: T#14", "@answ 4711", "@Cc Di Fo",
                                        "@subj Meeting in June", "Fine."}));
}

TEST(ComposeTest, CommandsAreLinesForTheServer) {
    texts::TextRecord command = compose_command(15, 1000, ann(), {"@home", "list news"});
    EXPECT_TRUE(is_command(command));
    EXPECT_EQ(packet_lines(command), (std::vector<std::string>{"@echo Orvane: C#15", "@home",
                                                               "list news", "@echo Orvane: E#15"}));
}

}  // namespace
}  // namespace orvane::packet
