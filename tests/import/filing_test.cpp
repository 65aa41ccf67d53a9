// Where imported texts go: replacing stored copies, the secretary's and
// the bosses' boxes, mailing lists, and the changes the server confirms.
#include <gtest/gtest.h>

#include "cabinet/fixed_boxes.h"
#include "cabinet/stored_text.h"
#include "tests/import/import_fixture.h"

namespace orvane::import::testing {
namespace {

namespace box = cabinet::box;
using texts::HeaderCode;

std::string letter(uint32_t number, const std::string& headers, const std::string& body = "x") {
    return "Letter " + std::to_string(number) + " (1 line) {I5}\n" + headers + "--------\n" + body +
           "\n(Text " + std::to_string(number) + ") ---------\n\n";
}

TEST_F(ImportTest, AListedTextReplacesItsStoredCopyAndKeepsWhereTheUserFiledIt) {
    const std::string first = "Mail from CORVID for Ann Lee\n" +
                              letter(1301, "From: Bo Ek\nTo: Ann Lee\nDate: 1-Feb-25 10:00\n");
    import_ok(write("first.dmp", first));
    ASSERT_OK(cabinet_->ensure_fixed_box(box::kReadMail));
    ASSERT_OK(cabinet_->move_text(corvid(1301), box::kInBasket, box::kReadMail));
    const std::string second =
        "Mail from CORVID for Ann Lee\n" +
        letter(1301, "From: Bo Ek\nTo: Ann Lee, Cy Dahl\nDate: 2-Feb-25 10:00\n", "changed");
    const FileReport report = import_ok(write("second.dmp", second));
    EXPECT_EQ(report.counts.replaced, 1u);
    const auto stored = text(corvid(1301));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->body, "changed\n");
    EXPECT_EQ(stored->receivers.size(), 2u);
    EXPECT_EQ(stored->boxes, std::vector<uint16_t>{box::kReadMail});
    EXPECT_TRUE(box(box::kInBasket).empty());
    // The box list's stamp follows the new date.
    platform::Result<cabinet::BoxList> list = cabinet_->read_box_list(box::kReadMail);
    ASSERT_OK(list);
    EXPECT_EQ(list->stamps[0], cabinet::text_stamp(*stored));
}

TEST_F(ImportTest, LettersFromOrSentOnByTheSecretaryGoToTheImportanceBoxes) {
    options_.secretary = "Sue Secretary";
    const std::string dump = "Mail from CORVID for Ann Lee\n" +
                             letter(1302, "From: Sue Secretary\nTo: Ann Lee\n") +
                             letter(1303, "From: Bo Ek\nTo: Ann Lee (sender: Sue Secretary)\n") +
                             letter(1304, "From: Bo Ek\nTo: Ann Lee\n");
    import_ok(write("secretary.dmp", dump));
    const cabinet::BoxEntry* from = cabinet_->boxes().find(19);
    ASSERT_TRUE(from);
    EXPECT_EQ(from->parent, box::kInBasket);
    const cabinet::BoxEntry* urgent = cabinet_->boxes().find(25);  // importance 5
    ASSERT_TRUE(urgent);
    EXPECT_EQ(urgent->parent, 19);
    EXPECT_EQ(box(25), (std::vector<texts::TextId>{corvid(1302), corvid(1303)}));
    EXPECT_EQ(box(box::kInBasket), std::vector<texts::TextId>{corvid(1304)});
}

TEST_F(ImportTest, AsSecretaryTheBossesLettersGoToTheirBox) {
    options_.bosses = {"Big Boss", "", "", ""};
    const std::string dump = "Mail from CORVID for Ann Lee\n" +
                             letter(1305, "From: Bo Ek\nFor: BIG  boss\n") +
                             letter(1306, "From: Bo Ek\nTo: Ann Lee\n");
    import_ok(write("bosses.dmp", dump));
    EXPECT_EQ(box(18), std::vector<texts::TextId>{corvid(1305)});
    EXPECT_EQ(cabinet_->boxes().find(18)->parent, box::kInBasket);
    EXPECT_EQ(box(box::kInBasket), std::vector<texts::TextId>{corvid(1306)});
}

TEST_F(ImportTest, MailingListLettersGoToTheBoxOfTheList) {
    book_.addresses.insert("friend@known.example");
    const std::string dump =
        "Mail from CORVID for Ann Lee\n" +
        letter(1307, "From: poster@lists.example\nTo: garden-list@lists.example\nBcc: Ann Lee\n") +
        letter(1308, "From: poster@lists.example\nTo: friend@known.example\nBcc: Ann Lee\n") +
        letter(1309, "From: poster@lists.example\nTo: garden-list@lists.example\n");
    import_ok(write("lists.dmp", dump));
    const cabinet::BoxEntry* list = cabinet_->boxes().find_by_name("garden-list@lists.example");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->parent, box::kInBasket);
    EXPECT_EQ(box(list->number), std::vector<texts::TextId>{corvid(1307)});
    EXPECT_FALSE(text(corvid(1307))->kind_flags & texts::kind_flags::kLetter);
    // A known address, or a list letter not sent to the user as Bcc, is mail.
    EXPECT_EQ(box(box::kInBasket), (std::vector<texts::TextId>{corvid(1308), corvid(1309)}));
}

TEST_F(ImportTest, APostedTextIsRenumberedWithTheServersListingAndFiles) {
    texts::TextRecord item;
    item.id = 31;
    item.subject = "Photos";
    item.body = "See the photos.\n";
    item.author.text = "Ann Lee";
    item.fields.push_back({HeaderCode::kAttach, "\"/home/ann/my photos (1).zip\""});
    item.fields.push_back({HeaderCode::kAttach, "/home/ann/other.txt"});
    item.links.push_back({corvid(2001), HeaderCode::kReference, "Cy Dahl"});
    ASSERT_OK(cabinet_->ensure_fixed_box(box::kPendingSentMail));
    ASSERT_OK(cabinet_->file_text(item, box::kPendingSentMail));
    texts::TextRecord referenced;
    referenced.id = corvid(2001);
    referenced.subject = "Roses";
    ASSERT_OK(cabinet_->file_text(referenced, box::kInBasket));
    const std::string dump =
        "Processing updump to CORVID\n"
        "Orvane: T#31\n"
        "(Text 1700 is now stored)\n"
        "From: Ann Lee\n"
        "To: Gardening\n"
        "Reference: Text 2001 Cy Dahl\n"
        "File my_photos_1.zip in 12345 bytes\n"
        "\n";
    const FileReport report = import_ok(write("posted.dmp", dump));
    EXPECT_EQ(report.counts.settled, 1u);
    EXPECT_FALSE(text(31));
    const auto posted = text(corvid(1700));
    ASSERT_TRUE(posted);
    EXPECT_EQ(posted->body, "See the photos.\n");
    ASSERT_EQ(posted->receivers.size(), 1u);
    EXPECT_EQ(posted->receivers[0].name.text, "Gardening");
    // The server's file took the place of the request that sent it.
    ASSERT_EQ(posted->fields.size(), 2u);
    EXPECT_EQ(posted->fields[0].code, HeaderCode::kAttach);
    EXPECT_EQ(posted->fields[0].value, "/home/ann/other.txt");
    EXPECT_EQ(posted->fields[1].code, HeaderCode::kAttached);
    EXPECT_EQ(posted->boxes, std::vector<uint16_t>{box::kSentMail});
    EXPECT_TRUE(box(box::kPendingSentMail).empty());
    // The text it comments on links back to the server's number.
    const auto roses = text(corvid(2001));
    ASSERT_EQ(roses->links.size(), 1u);
    EXPECT_EQ(roses->links[0].id, corvid(1700));
    EXPECT_EQ(roses->links[0].code, HeaderCode::kComment);

    // The same answer again finds the item settled: nothing doubles.
    import_ok(write("posted-again.dmp", dump));
    EXPECT_EQ(box(box::kSentMail), std::vector<texts::TextId>{corvid(1700)});
    EXPECT_EQ(text(corvid(2001))->links.size(), 1u);
}

TEST_F(ImportTest, AnEchoForAnItemThatIsGoneIsToldAndAnUnfinishedOneIsAnError) {
    const std::string dump =
        "Processing updump to CORVID\n"
        "Orvane: T#44\n(Text 1800)\nFrom: Ann Lee\n\n"
        "Orvane: T#45\nFrom: Ann Lee\n"
        "Orvane: T#46\n(Text 1801)\n\n";
    const FileReport report = import_ok(write("gone.dmp", dump));
    EXPECT_EQ(report.updump_errors, 1u);  // T#45 never got its number
    bool told = false;
    for (const std::string& message : messages())
        told = told || message.find("out-basket item 44") != std::string::npos;
    EXPECT_TRUE(told);
    EXPECT_FALSE(text(corvid(1800)));
}

TEST_F(ImportTest, ConfirmedChangesUpdateTheStoredTextAndSettleIt) {
    texts::TextRecord changed;
    changed.id = corvid(900);
    changed.subject = "Old";
    changed.body = "Body.\n";
    ASSERT_OK(cabinet_->ensure_fixed_box(box::kPendingSentMail));
    ASSERT_OK(cabinet_->file_text(changed, box::kPendingSentMail));
    const std::string dump =
        "Processing updump to CORVID\n"
        "Orvane: M#\n"
        "Text 900 (1 line)\n"
        "Date: 3-Mar-25 09:00\n"
        "To: Bo Ek, Cy Dahl\n"
        "Internet: <abc@corvid.example>\n"
        "\n"
        "Orvane: R#\n";
    const FileReport report = import_ok(write("changes.dmp", dump));
    EXPECT_EQ(report.counts.settled, 1u);
    const auto stored = text(corvid(900));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->body, "Body.\n");
    EXPECT_EQ(stored->receivers.size(), 2u);
    EXPECT_EQ(stored->date, texts::parse_date("3-Mar-25 09:00"));
    EXPECT_EQ(stored->boxes, std::vector<uint16_t>{box::kSentMail});
}

}  // namespace
}  // namespace orvane::import::testing
