// Downdumps that arrive wrapped: zipped, uuencoded inside a text, or
// attached to a mail, zipped or plain, as other software writes them.
#include <gtest/gtest.h>

#include "cabinet/fixed_boxes.h"
#include "platform/file.h"
#include "tests/import/import_fixture.h"

namespace orvane::import::testing {
namespace {

namespace box = cabinet::box;

const std::string kDump =
    "Mail from CORVID for Ann Lee\n"
    "Letter 1201 (1 line)\nFrom: Bo Ek\nTo: Ann Lee\nSubject: Wrapped\n--------\n"
    "Inside the wrapper.\n(Text 1201) ---------\n\n"
    "Letter 1202 (1 line)\nFrom: Cy Dahl\nTo: Ann Lee\nSubject: Second\n--------\n"
    "Also inside.\n(Text 1202) ---------\n\n";

class WrappedInputTest : public ImportTest {
  protected:
    std::string tool(const std::string& kind, const std::string& output,
                     const std::string& member = "C250907A.dmp") {
        const std::string input = write("source.txt", kDump);
        const std::string path = dir_ + "/" + output;
        EXPECT_EQ(run("python3 " + std::string(ORVANE_TEST_TOOLS) + "/import_inputs.py " + kind +
                      " '" + path + "' '" + input + "' " + member),
                  "");
        return path;
    }

    void expect_both_letters(const std::string& how) {
        const auto first = text(corvid(1201));
        ASSERT_TRUE(first) << how;
        EXPECT_EQ(first->body, "Inside the wrapper.\n") << how;
        EXPECT_TRUE(text(corvid(1202))) << how;
    }
};

TEST_F(WrappedInputTest, MailsWithAZippedOrPlainBase64DumpAreImported) {
    for (const std::string kind : {"mail-zipped", "mail-plain", "mail-plain-unquoted"}) {
        const std::string path = tool(kind, kind + ".eml");
        const FileReport report = import_ok(path);
        EXPECT_EQ(report.counts.stored + report.counts.replaced, 2u) << kind;
        expect_both_letters(kind);
        // The mail's own text part was not taken for server output.
        EXPECT_EQ(box(box::kInBasket).size(), 2u) << kind;
    }
}

TEST_F(WrappedInputTest, AMailSubjectNamesTheNodeAndAClosingBoundaryEndsTheMail) {
    const std::string dump =
        "Letter 1203 (1 line)\nFrom: Bo Ek\nTo: Ann Lee\n--------\nNo section line.\n"
        "(Text 1203) ---------\n\n";
    const std::string input = write("nosection.txt", dump);
    const std::string mail = dir_ + "/subject.eml";
    ASSERT_EQ(run("python3 " + std::string(ORVANE_TEST_TOOLS) + "/import_inputs.py mail-plain '" +
                  mail + "' '" + input + "'"),
              "");
    // After the closing boundary the lines are server output again.
    std::string contents = read(mail);
    contents += "Text 1204 (1 line)\n--------\nAfter the mail.\n(Text 1204) ---------\n\n";
    write("subject.eml", contents);
    import_ok(mail);
    EXPECT_TRUE(text(corvid(1203)));  // the node came from "Subject: Mail from CORVID ..."
    EXPECT_TRUE(text(corvid(1204)));
    EXPECT_TRUE(ui_.chosen.empty());  // never asked for the node
}

TEST_F(WrappedInputTest, ZippedDumpsFromZipAndPythonAreImported) {
    for (const std::string kind : {"zip-stored", "zip-deflated", "zip-streamed"}) {
        const std::string path = tool(kind, kind + ".zip");
        import_ok(path);
        expect_both_letters(kind);
    }
    const std::string plain = write("C250907B.dmp", kDump);
    const std::string zipped = dir_ + "/byzip.zip";
    ASSERT_EQ(run("cd '" + dir_ + "' && zip -q byzip.zip C250907B.dmp"), "");
    import_ok(zipped);
    expect_both_letters("zip");
    (void)plain;
}

TEST_F(WrappedInputTest, AKeptZippedDowndumpIsKeptUnpacked) {
    options_.delete_imported = false;
    const std::string path = tool("zip-deflated", "C25A07BC.zip", "member.dmp");
    const FileReport report = import_ok(path);
    EXPECT_EQ(report.path, dir_ + "/C25A07BC.dmp");
    EXPECT_FALSE(platform::file_exists(path));
    EXPECT_EQ(read(dir_ + "/C25A07BC.dmp"), kDump);
    expect_both_letters("unpacked");
}

TEST_F(WrappedInputTest, ADamagedZipFileIsSkippedWholeAndKept) {
    const std::string path = tool("zip-stored", "damaged.zip");
    std::string bytes = read(path);
    bytes[30 + 12 + 200] ^= 1;  // inside the second letter
    write("damaged.zip", bytes);
    const ImportOutcome outcome = import({path});
    ASSERT_EQ(outcome.files.size(), 1u);
    EXPECT_EQ(outcome.files[0].error.id(), platform::MessageId::kErrorUnzipping);
    EXPECT_NE(outcome.files[0].error.text().find("checksum"), std::string::npos);
    EXPECT_FALSE(text(corvid(1201)));  // nothing of a damaged archive is kept
    EXPECT_TRUE(platform::file_exists(path));
}

TEST_F(WrappedInputTest, AUuencodedZipInsideATextIsImportedAndPlainReadingGoesOn) {
    const std::string zip = tool("zip-deflated", "inner.zip");
    const std::string encoded = run("uuencode '" + zip + "' inner.zip");
    const std::string carrier =
        "Some mail text before the block.\n" + encoded +
        "Mail from CORVID for Ann Lee\nLetter 1205 (1 line)\n--------\nAfter the block.\n"
        "(Text 1205) ---------\n\n";
    import_ok(write("carrier.txt", carrier));
    expect_both_letters("uuencoded");
    EXPECT_TRUE(text(corvid(1205)));
}

TEST_F(WrappedInputTest, AZipErrorInsideAMailPartIsToldAndTheRestIsRead) {
    std::string eml = read(tool("mail-zipped", "broken.eml"));
    // Spoil the base64 of the archive's data, well after its header.
    const size_t part = eml.find("UEsDB");
    ASSERT_NE(part, std::string::npos);
    for (size_t i = part + 200; i < part + 240; ++i)
        if (eml[i] != '\n') eml[i] = 'A';
    eml +=
        "Mail from CORVID for Ann Lee\nLetter 1206 (1 line)\n--------\nAfter.\n"
        "(Text 1206) ---------\n\n";
    const std::string path = write("broken.eml", eml);
    const FileReport report = import_ok(path);
    (void)report;
    bool told = false;
    for (const std::string& message : messages())
        told = told || message.starts_with("Error unzipping the file 'C250907A.zip'");
    EXPECT_TRUE(told);
    EXPECT_TRUE(text(corvid(1206)));
}

TEST_F(WrappedInputTest, AddressListsGoToTheAddressBookUnpackedWhenZipped) {
    const std::string plain = write("CO00042#", "1 1 12 2 Ann Lee\n");
    const std::string zipped = tool("zip-deflated", "MO00043$.zip", "MO00043$");
    const ImportOutcome outcome = import({plain, zipped});
    ASSERT_EQ(outcome.files.size(), 2u);
    EXPECT_TRUE(outcome.files[0].address_list);
    ASSERT_EQ(book_.imported_lists.size(), 2u);
    EXPECT_EQ(book_.imported_lists[0], plain);
    EXPECT_EQ(book_.imported_lists[1], dir_ + "/MO00043$");
    EXPECT_EQ(read(dir_ + "/MO00043$"), kDump);
    EXPECT_FALSE(platform::file_exists(zipped));
}

}  // namespace
}  // namespace orvane::import::testing
