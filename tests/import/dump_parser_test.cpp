// The downdump parser over dumps written the way the server writes them:
// texts and letters in both heading forms, conference listings, command
// output between echo markers, messages and notices from the server.
#include <gtest/gtest.h>

#include "cabinet/fixed_boxes.h"
#include "platform/file.h"
#include "tests/import/import_fixture.h"
#include "texts/dates.h"

namespace orvane::import::testing {
namespace {

using platform::MessageId;
using texts::HeaderCode;
namespace box = cabinet::box;

// A letter, a conference listing with a comment pair, in the server's
// usual form; `eol` is the line end.
std::string sample_dump(const std::string& eol = "\n") {
    const char* lines[] = {
        "Mail from CORVID for Ann Lee",
        "Letters from CORVID",
        "",
        "Letter 1001 (2 lines)",
        "From: Bo Ek",
        "To: Ann Lee",
        "Subject: Lunch",
        "Date: 15-Jan-25 10:20",
        "--------",
        "Shall we have lunch?",
        "Bo",
        "(Text 1001) ---------",
        "",
        "Texts from CORVID",
        "The name of the conference is: Gardening",
        "Text 2001 (1 line) [W1] {I3}",
        "From: Cy Dahl",
        "To: Gardening",
        "Subject: Roses",
        "--------",
        "Roses need sun.",
        "(Text 2001) ---------",
        "(Comment in Text 2002 Di Fors)",
        "",
        "Text 2002 (1 line) {C}",
        "From: Di Fors",
        "To: Gardening",
        "Reference: Text 2001 Cy Dahl",
        "Subject: Roses",
        "--------",
        "And water.",
        "(Text 2002) ---------",
        "",
    };
    std::string dump;
    for (const char* line : lines) dump += std::string(line) + eol;
    return dump;
}

TEST_F(ImportTest, LettersAndConferenceTextsAreFiledWithTheirHeaders) {
    const FileReport report = import_ok(write("C250907A.dmp", sample_dump()));
    EXPECT_EQ(report.counts.stored, 3u);
    const auto letter = text(corvid(1001));
    ASSERT_TRUE(letter);
    EXPECT_EQ(letter->author.text, "Bo Ek");
    EXPECT_EQ(letter->subject, "Lunch");
    EXPECT_EQ(letter->body, "Shall we have lunch?\nBo\n");
    EXPECT_EQ(letter->date, texts::parse_date("15-Jan-25 10:20"));
    EXPECT_TRUE(letter->kind_flags & texts::kind_flags::kLetter);
    EXPECT_EQ(box(box::kInBasket), std::vector<texts::TextId>{corvid(1001)});

    const auto roses = text(corvid(2001));
    ASSERT_TRUE(roses);
    EXPECT_FALSE(roses->kind_flags & texts::kind_flags::kLetter);
    EXPECT_EQ(roses->importance, 3);
    const cabinet::BoxEntry* gardening = cabinet_->boxes().find_by_name("Gardening");
    ASSERT_TRUE(gardening);
    EXPECT_EQ(box(gardening->number), (std::vector<texts::TextId>{corvid(2001), corvid(2002)}));
    // The comment pair is linked both ways.
    ASSERT_EQ(roses->links.size(), 1u);
    EXPECT_EQ(roses->links[0].id, corvid(2002));
    EXPECT_EQ(roses->links[0].code, HeaderCode::kComment);
    const auto water = text(corvid(2002));
    ASSERT_TRUE(water);
    EXPECT_EQ(texts::text_kind(water->kind_flags), texts::TextKind::kComment);
    ASSERT_EQ(water->links.size(), 1u);
    EXPECT_EQ(water->links[0].id, corvid(2001));
    EXPECT_EQ(water->links[0].code, HeaderCode::kReference);
}

TEST_F(ImportTest, TheThreeLineEndsParseTheSame) {
    import_ok(write("lf.dmp", sample_dump("\n")));
    const auto lf = text(corvid(2002));
    for (const std::string eol : {"\r\n", "\r"}) {
        import_ok(write("other.dmp", sample_dump(eol)));
        EXPECT_EQ(text(corvid(2002)), lf);
        EXPECT_EQ(text(corvid(1001))->body, "Shall we have lunch?\nBo\n");
    }
}

TEST_F(ImportTest, ColonHeadingsGiveDateAndAuthorAndOldNumbersMoveToK) {
    const std::string dump =
        "Texts from CORVID\n"
        "Text 45000: 01-Jan-94 12:00 / 3 lines / Ed Gray\n"
        "Subject: Old times\n"
        "--------\n"
        "Long ago.\n"
        "(Text 45000) ---------\n"
        "\n"
        "Text 4500: 01-Jan-94 12:00 / 3 lines / Ed Gray\n"
        "--------\n"
        "Kept on C.\n"
        "(Text 4500) ---------\n"
        "\n"
        "Text MERIDIAN:77: 15-Jan-25 10:20 / 1 line / Fay Holm\n"
        "--------\n"
        "From the other node.\n"
        "(Text MERIDIAN:77) ---------\n"
        "\n";
    import_ok(write("colon.dmp", dump));
    const auto moved = text(texts::make_text_id('K', 45000));
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->author.text, "Ed Gray");
    EXPECT_EQ(moved->date, texts::parse_date("01-Jan-94 12:00"));
    EXPECT_TRUE(text(corvid(4500)));
    const auto other = text(texts::make_text_id('M', 77));
    ASSERT_TRUE(other);
    EXPECT_EQ(other->body, "From the other node.\n");
}

TEST_F(ImportTest, EndMarkersMatchTheNumberAsTheHeadingWroteIt) {
    // A bare end line does not end a node-qualified text, and the other way.
    const std::string dump =
        "Texts from CORVID\n"
        "Text CORVID:3001 (2 lines)\n"
        "--------\n"
        "(Text 3001) ---------\n"
        "still the body\n"
        "(Text CORVID:3001) ---------\n"
        "\n"
        "Text 3002 (1 line)\n"
        "--------\n"
        "(Text CORVID:3002) ---------\n"
        "(Text 3002) ---------\n"
        "\n";
    import_ok(write("markers.dmp", dump));
    EXPECT_EQ(text(corvid(3001))->body, "(Text 3001) ---------\nstill the body\n");
    EXPECT_EQ(text(corvid(3002))->body, "(Text CORVID:3002) ---------\n");
}

TEST_F(ImportTest, BodiesKeepFourEmptyLinesAndDropTheServersIntroLine) {
    std::string dump =
        "Texts from CORVID\nText 3003 (9 lines)\n--------\n[Text 3003 from Gi Ito]\n\nFirst\n";
    dump += std::string(10, '\n') + "Last\n\n\n(Text 3003) ---------\n\n";
    import_ok(write("empty.dmp", dump));
    EXPECT_EQ(text(corvid(3003))->body, "First\n\n\n\n\nLast\n");
}

TEST_F(ImportTest, ALongBodyGoesToASpillFileNamedInTheText) {
    std::string dump = "Texts from CORVID\nText 3004 (9 lines)\n--------\n";
    std::string expected;
    for (int i = 0; i < 2000; ++i) {
        const std::string line = "Line " + std::to_string(i) + " of a very long text indeed";
        dump += line + "\n";
        expected += line + "\n";
    }
    dump += "(Text 3004) ---------\n\n";
    import_ok(write("long.dmp", dump));
    const auto stored = text(corvid(3004));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->body, "The contents is in the attached file 'C0003004.TXT'.\n");
    ASSERT_EQ(stored->fields.size(), 1u);
    EXPECT_EQ(stored->fields[0].code, HeaderCode::kAttached);
    EXPECT_EQ(stored->fields[0].value, "C0003004.TXT");
    EXPECT_EQ(read(dir_ + "/C0003004.TXT"), expected);
}

TEST_F(ImportTest, ABodyThatWouldBeCutByTheCabinetGoesToASpillFileWhole) {
    // Under the body limit, but with receivers the whole text is larger
    // than a stored text may be.
    std::string dump = "Texts from CORVID\nText 3005 (9 lines)\nTo: ";
    for (int i = 0; i < 400; ++i)
        dump += (i ? ", " : "") + std::string("Receiver Number ") + std::to_string(i);
    dump += "\n--------\n";
    std::string body;
    for (int i = 0; i < 2400; ++i) body += "Line " + std::to_string(i) + " of a long text\n";
    ASSERT_LT(body.size(), 65000u);
    ASSERT_GT(body.size(), 58000u);
    dump += body + "(Text 3005) ---------\n\n";
    import_ok(write("big.dmp", dump));
    const auto stored = text(corvid(3005));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->receivers.size(), 400u);
    EXPECT_EQ(stored->body, "The contents is in the attached file 'C0003005.TXT'.\n");
    EXPECT_EQ(read(dir_ + "/C0003005.TXT"), body);
}

TEST_F(ImportTest, CommandOutputSettlesItsItemAndTheEndMarkerIsAPrefix) {
    // Item 12 is waiting in Pending Sent Commands.
    texts::TextRecord command;
    command.id = 12;
    command.kind_flags = texts::with_text_kind(0, texts::TextKind::kNewText);
    command.subject = "List members";
    command.body = "@list members\n";
    ASSERT_OK(cabinet_->ensure_fixed_box(box::kPendingSentCommands));
    ASSERT_OK(cabinet_->file_text(command, box::kPendingSentCommands));
    const std::string dump =
        "Processing updump to CORVID\n"
        "Orvane: C#12\n"
        "Members of Gardening:\n"
        "Orvane: E#1\n"
        "Cy Dahl\n"
        "Orvane: E#123\n"
        "Lumeth: C#40\n"
        "Output of the sibling's command\n"
        "Lumeth: E#40\n"
        "Orvane: E#77\n"
        "Text 5000 (1 line)\n"
        "--------\n"
        "Not inside a command.\n"
        "(Text 5000) ---------\n"
        "\n";
    const FileReport report = import_ok(write("commands.dmp", dump));
    EXPECT_EQ(report.counts.command_results, 2u);
    const auto settled = text(12);
    ASSERT_TRUE(settled);
    EXPECT_EQ(settled->subject, "List members");
    // E#1 does not end item 12's output; E#123 does, being longer.
    EXPECT_EQ(settled->body, "Members of Gardening:\nOrvane: E#1\nCy Dahl\n");
    EXPECT_EQ(settled->boxes, std::vector<uint16_t>{box::kResultsOfCommands});
    EXPECT_TRUE(box(box::kPendingSentCommands).empty());
    // Output without an out-basket item becomes a text of its own.
    const auto orphan = text(40);
    ASSERT_TRUE(orphan);
    EXPECT_EQ(orphan->subject, "Results of server commands");
    EXPECT_EQ(orphan->body, "Output of the sibling's command\n");
    EXPECT_EQ(texts::text_kind(orphan->kind_flags), texts::TextKind::kNewText);
    EXPECT_EQ(box(box::kResultsOfCommands), (std::vector<texts::TextId>{12, 40}));
    // A later local text does not take the number of that output.
    platform::Result<texts::TextId> next = cabinet_->next_local_id();
    ASSERT_OK(next);
    EXPECT_GT(*next, 40u);
    // The E# without its C# is passed over; the listing after it is read.
    EXPECT_TRUE(text(corvid(5000)));
}

TEST_F(ImportTest, ServerWarningsErrorsAndTheErrorCountReachTheUser) {
    const std::string dump =
        "Processing updump to CORVID\n"
        "WARNING: The conference Gardening\n"
        "is closed for new members.\n"
        "\n"
        "ERROR: Unknown command @lst\n"
        "3 errors in updump.\n";
    ui_.answers.push_back(platform::Answer::Yes);  // to see the file
    const std::string path = write("errors.dmp", dump);
    ImportOutcome outcome = import({path});
    ASSERT_EQ(outcome.files.size(), 1u);
    EXPECT_EQ(outcome.files[0].updump_errors, 3u);
    const std::vector<std::string> shown = messages();
    ASSERT_GE(shown.size(), 3u);
    EXPECT_EQ(shown[0],
              "Warning from CORVID:\nThe conference Gardening\nis closed for new members.");
    EXPECT_EQ(shown[1], "Error message from CORVID:\nUnknown command @lst");
    EXPECT_EQ(shown[2],
              "There were errors in the uploaded mail packet.\nWould you like to see the file '" +
                  path + "'?");
    EXPECT_EQ(outcome.files_to_show, std::vector<std::string>{path});
    // A file with errors in the packet is never deleted.
    EXPECT_TRUE(platform::file_exists(path));
}

TEST_F(ImportTest, APasswordChangeRequestAsksForTheNewPasswordOnlyWhenDue) {
    const std::string dump =
        "Processing updump to CORVID\n"
        "WARNING: Please change your password soon.\n"
        "\n";
    options_.password_changed = static_cast<uint32_t>(env_->now_utc()) - 100;
    import({write("pw1.dmp", dump)});
    EXPECT_TRUE(ui_.shown.empty());
    EXPECT_TRUE(ui_.prompts.empty());

    options_.password_changed = static_cast<uint32_t>(env_->now_utc()) - 1296001;
    ui_.texts.push_back(std::string("n3w-secret"));
    ImportOutcome outcome = import({write("pw2.dmp", dump)});
    EXPECT_EQ(outcome.new_password, std::optional<std::string>("n3w-secret"));
    ASSERT_EQ(ui_.prompts.size(), 1u);
    EXPECT_NE(ui_.prompts[0].find("change your password"), std::string::npos);
}

TEST_F(ImportTest, NoticesBecomeTextsOneForEachAuthor) {
    book_.objects["Gi Ito"] = 17;
    const std::string dump =
        "Processing updump to CORVID\n"
        "Notice from Gi Ito\n"
        "(the server's line after the notice line)\n"
        " The node will be down on Sunday.\n"
        "\n"
        " Sorry.\n"
        "Notice from Hal Jo\n"
        "-\n"
        " Unknown author.\n"
        "Text 5001 (1 line)\n"
        "--------\n"
        "After the notices.\n"
        "(Text 5001) ---------\n"
        "\n";
    import_ok(write("notices.dmp", dump));
    const auto known = text(0xFF0000 + 17);
    ASSERT_TRUE(known);
    EXPECT_EQ(known->subject, "Note from Gi Ito");
    EXPECT_EQ(known->author.text, "Gi Ito");
    EXPECT_EQ(known->body, "The node will be down on Sunday.\n\nSorry.\n");
    // The line that ends a notice is read as what it is: here a heading.
    EXPECT_TRUE(text(corvid(5001)));
    // The next notice of the same author replaces the first.
    import_ok(write("notices2.dmp",
                    "Processing updump to CORVID\nNotice from Gi Ito\n-\n Up again.\n\n"));
    EXPECT_EQ(text(0xFF0000 + 17)->body, "Up again.\n");
    // So does one of an author the address book does not know.
    const size_t in_basket = box(box::kInBasket).size();
    import_ok(
        write("notices3.dmp", "Processing updump to CORVID\nNotice from Hal Jo\n-\n Again.\n\n"));
    EXPECT_EQ(box(box::kInBasket).size(), in_basket);
}

TEST_F(ImportTest, BadHeadingsAndCutOffDumpsNeverDamageTheCabinet) {
    std::string dump =
        "Texts from CORVID\n"
        "Text 0 (1 line)\n--------\nzero\n(Text 0) ---------\n\n"
        "Text 4294967296 (1 line)\n--------\ntoo big\n(Text 4294967296) ---------\n\n"
        "Text MERIDIAN:16777216 (1 line)\n--------\nno room under M\n"
        "(Text MERIDIAN:16777216) ---------\n\n";
    static constexpr char kWithNul[] = "Text 6001 (1 line)\nTo: A\0B\n--------\nnul";
    dump += std::string(kWithNul, sizeof kWithNul - 1);  // the NUL inside kept
    dump += "\n";
    import_ok(write("bad.dmp", dump));
    // The last text, cut off inside its body, is kept as far as it came.
    const auto cut = text(corvid(6001));
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->body, "nul\n");
    EXPECT_EQ(box(box::kInBasket), std::vector<texts::TextId>{corvid(6001)});

    // Cut inside a header block: nothing half-read is stored.
    import_ok(write("cut.dmp", "Texts from CORVID\nText 6002 (1 line)\nFrom: Ann"));
    EXPECT_FALSE(text(corvid(6002)));
    reopen();
    EXPECT_TRUE(text(corvid(6001)));
}

TEST_F(ImportTest, AFileThatDoesNotNameItsNodeAsksOrIsSkipped) {
    const std::string dump = "Text 7001 (1 line)\n--------\nWhich node?\n(Text 7001) ---------\n\n";
    // Nobody answers: the safe choice skips the file, which is kept.
    const std::string path = write("unnamed.dmp", dump);
    ImportOutcome skipped = import({path});
    ASSERT_EQ(skipped.files.size(), 1u);
    EXPECT_TRUE(skipped.files[0].skipped);
    EXPECT_TRUE(platform::file_exists(path));
    EXPECT_FALSE(text(corvid(7001)));
    ASSERT_FALSE(ui_.chosen.empty());
    EXPECT_EQ(ui_.chosen[0].options.back(), "Abort");

    // The node named beforehand.
    options_.node_for_unnamed = 'M';
    import_ok(path);
    EXPECT_TRUE(text(texts::make_text_id('M', 7001)));
}

TEST_F(ImportTest, LogsAreReadFirstAndAreDeletedOnceRead) {
    // The dump lists text 8001; the log of the same session shows an older
    // copy of it. Read log first, the dump's copy wins.
    const std::string log = write("C250907.log",
                                  "Give your password - \nMail from CORVID for Ann Lee\n"
                                  "Text 8001 (1 line)\n--------\nfrom the log\n"
                                  "(Text 8001) ---------\n\nLogged off on 07-Sep-25 12:00\n");
    const std::string dump = write("C250907A.dmp",
                                   "Mail from CORVID for Ann Lee\nText 8001 (1 line)\n--------\n"
                                   "from the dump\n(Text 8001) ---------\n\n");
    ImportOutcome outcome = import({dump, log});
    ASSERT_EQ(outcome.files.size(), 2u);
    EXPECT_EQ(outcome.files[0].path, log);
    EXPECT_EQ(text(corvid(8001))->body, "from the dump\n");
    EXPECT_EQ(outcome.files[1].counts.replaced, 1u);
    // A log read from its start is deleted; the dump is kept ("Delete
    // Imported" is off).
    EXPECT_FALSE(platform::file_exists(log));
    EXPECT_TRUE(platform::file_exists(dump));
}

TEST_F(ImportTest, ImportedFilesAreDeletedOrMovedByTheOptions) {
    const std::string dump =
        "Mail from CORVID for Ann Lee\nText 8002 (1 line)\n--------\nx\n(Text 8002) ---------\n\n";
    options_.move_imported = true;
    options_.move_imported_to = dir_ + "/done";
    const std::string moved = write("C250907B.dmp", dump);
    EXPECT_EQ(import_ok(moved).disposal, Disposal::kMoved);
    EXPECT_EQ(read(dir_ + "/done/C250907B.dmp"), dump);
    EXPECT_FALSE(platform::file_exists(moved));

    options_.delete_imported = true;
    const std::string deleted = write("C250907C.dmp", dump);
    EXPECT_EQ(import_ok(deleted).disposal, Disposal::kDeleted);
    EXPECT_FALSE(platform::file_exists(deleted));

    // A file that is not server output is the user's: it stays.
    const std::string other = write("notes.dmp", "Just some notes\nof the user.\n");
    EXPECT_EQ(import_ok(other).disposal, Disposal::kKept);
    EXPECT_TRUE(platform::file_exists(other));
}

}  // namespace
}  // namespace orvane::import::testing
