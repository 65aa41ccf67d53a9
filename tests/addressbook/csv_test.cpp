#include <cstdio>

#include "addressbook/csv.h"
#include "addressbook/csv_export.h"
#include "addressbook/csv_import.h"
#include "addressbook/internet_address.h"
#include "addressbook/list_import.h"
#include "addressbook/personal_book.h"
#include "tests/addressbook/book_fixture.h"
#include "texts/text_record.h"

namespace orvane::addressbook::testing {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// Windows Latin-1, the code page of the names in these books.
const uint8_t kWindowsLatin = texts::make_charset(texts::charsets::kWindowsClass, 1);

Rows read_all(std::string_view text) {
    CsvReader reader(text);
    Rows rows;
    std::vector<std::string> fields;
    for (CsvReader::Next next; (next = reader.next(&fields)) != CsvReader::Next::kEnd;)
        rows.push_back(next == CsvReader::Next::kRecord ? fields : Rows::value_type{"<too long>"});
    return rows;
}

std::string hex(std::string_view text) {
    std::string out;
    char byte[3];
    for (unsigned char c : text) {
        std::snprintf(byte, sizeof byte, "%02x", c);
        out += byte;
    }
    return out;
}

std::string unhex(std::string_view text) {
    std::string out;
    for (size_t i = 0; i + 1 < text.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
    return out;
}

// Runs the Python side; `input` goes to its standard input, its output comes back.
std::string python(const std::string& mode, const std::string& file, const Rows& input = {}) {
    const std::string command =
        std::string("python3 ") + ORVANE_TEST_TOOLS + "/csv_interop.py " + mode + " '" + file + "'";
    std::string output;
    if (mode == "write") {
        FILE* pipe = popen(command.c_str(), "w");
        for (const auto& row : input) {
            std::string line;
            for (size_t i = 0; i < row.size(); ++i) line += (i == 0 ? "" : " ") + hex(row[i]);
            std::fputs((line + "\n").c_str(), pipe);
        }
        EXPECT_EQ(pclose(pipe), 0);
    } else {
        FILE* pipe = popen(command.c_str(), "r");
        char buffer[4096];
        while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
        EXPECT_EQ(pclose(pipe), 0);
    }
    return output;
}

TEST(CsvReader, ReadsQuotedFieldsLineEndsAndAByteOrderMark) {
    EXPECT_EQ(
        read_all("\xEF\xBB\xBFName,E-mail\r\n\"Lee, Ann\",\"say \"\"hi\"\"\"\r\n"
                 "\"two\nlines\",x\n\n,\n"),
        (Rows{
            {"Name", "E-mail"}, {"Lee, Ann", "say \"hi\""}, {"two\nlines", "x"}, {""}, {"", ""}}));
    // Lenient where spreadsheets are.
    EXPECT_EQ(read_all("a\"b,\"c\"d,\"open,end"), (Rows{{"a\"b", "cd", "open,end"}}));
    EXPECT_EQ(read_all("last line without end"), (Rows{{"last line without end"}}));
    EXPECT_EQ(read_all("old\rmac\r"), (Rows{{"old"}, {"mac"}}));

    CsvReader reader("a,b\r");
    std::vector<std::string> fields;
    EXPECT_EQ(reader.next(&fields), CsvReader::Next::kRecord);
    EXPECT_EQ(reader.position(), 4u);  // never past the end, or progress would pass 100%
    EXPECT_EQ(reader.next(&fields), CsvReader::Next::kEnd);
}

TEST(CsvReader, ARecordOverTheLimitIsPassedOverWhole) {
    const std::string text = "a,b\n\"" + std::string(20000, 'x') + "\nstill quoted\",y\nc,d\n";
    EXPECT_EQ(read_all(text), (Rows{{"a", "b"}, {"<too long>"}, {"c", "d"}}));
}

TEST(CsvWriter, QuotesOnlyWhatNeedsIt) {
    const std::vector<std::string> fields{"Ann Lee", "Lee, Ann", "say \"hi\"", "a\nb", ""};
    EXPECT_EQ(csv_line(fields), "Ann Lee,\"Lee, Ann\",\"say \"\"hi\"\"\",\"a\nb\",\n");
}

TEST(InternetAddress, BlanksPeriodsAndRemarksBecomeOnePeriod) {
    const auto nodes = test_nodes();
    const settings::NodeEntry* corvid = nodes.by_letter('C');
    const settings::NodeEntry* meridian = nodes.by_letter('M');
    EXPECT_EQ(internet_address("Ann Lee (guest)", corvid, 0), "Ann.Lee@corvid.example");
    EXPECT_EQ(internet_address(" (x) Ann  ..Lee (a (b) c). ", corvid, 0), "Ann.Lee@corvid.example");
    EXPECT_EQ(internet_address("\"Chess\" Club", corvid, domain_index_of(kConference)),
              "Chess.Club@qor.corvid.example");
    EXPECT_EQ(internet_address("Chess Club", meridian, 9), "Chess.Club@meridian.example");
    EXPECT_EQ(internet_address("Ann (open", nullptr, 0), "Ann");
    EXPECT_EQ(node_of_address(nodes, "x@QOR.corvid.example"), corvid);
    EXPECT_EQ(node_of_address(nodes, "x@example.org"), nullptr);
}

class CsvExchangeTest : public BookTest {
  protected:
    void SetUp() override {
        BookTest::SetUp();
        personal.emplace(open_book(kPersonalFileName));
    }

    platform::Result<CsvImportOutcome> import(const std::string& file) {
        return import_csv_addresses(&*personal, file, nodes, kWindowsLatin, policy, files);
    }

    std::vector<std::pair<std::string, std::string>> entries() {
        std::vector<std::pair<std::string, std::string>> found;
        auto objects = personal->objects_of(kPersonalNode);
        EXPECT_TRUE(objects.ok());
        for (const AddressObject& object : *objects)
            found.emplace_back(object.name, object.address);
        return found;
    }

    std::optional<BookFile> personal;
};

TEST_F(CsvExchangeTest, ImportsExactlyWhatPythonsCsvModuleWrote) {
    const std::string file = path("addresses.csv");
    python("write", file,
           {{"Notes", "E-Mail Address", "Name"},
            {"", "ann@lee.example", "Lee, Ann"},
            {"line one\nline two", "bob@build.example", "Bob \"The Builder\" Smith"},
            {"", "ann.marie@x.example", ""},
            {"", "zoe@unal.example", "Zo\xC3\xAB \xC3\x9Cnal"},
            {"", "p@corvid.example", "On The Network"},
            {"", "q@QOR.corvid.example", "Also On It"},
            {"", "nobody", "No Address"},
            {}});
    ASSERT_EQ(read_file("addresses.csv").substr(0, 3), "\xEF\xBB\xBF");
    ASSERT_NE(read_file("addresses.csv").find("\r\n"), std::string::npos);

    auto outcome = import(file);
    ASSERT_TRUE(outcome.ok()) << outcome.status().text();
    EXPECT_EQ(outcome->added, 4u);
    EXPECT_EQ(entries(), (std::vector<std::pair<std::string, std::string>>{
                             {"Lee, Ann", "ann@lee.example"},
                             {"Bob \"The Builder\" Smith", "bob@build.example"},
                             {"ann marie", "ann.marie@x.example"},
                             {"Zo\xEB \xDCnal", "zoe@unal.example"}}));  // in Windows-1252
    ASSERT_EQ(policy.notices.size(), 1u);
    EXPECT_EQ(policy.notices[0].text(),
              "Addresses of users and conferences on CORVID\nare not imported into the personal "
              "address book.");
    EXPECT_TRUE(index_problems(*personal).empty());

    auto again = import(file);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again->added, 0u);
    EXPECT_EQ(again->already_kept, 4u);
    EXPECT_EQ(entries().size(), 4u);
}

TEST_F(CsvExchangeTest, OurExportReadsBackThroughPythonsCsvModule) {
    ListImportContext context(*lists, nodes, policy, files);
    ASSERT_TRUE(import_address_list(
                    write_file("CO00001$", list_line(1, 1, 1, 0, "Lee, Ann (guest)") +
                                               list_line(1, 1, 2, 0x8000, "Bob \"B\" Sm\xF8rre") +
                                               list_line(1, 2, 3, 0, "Chess Club") +
                                               list_line(1, 1, 4 | kAliasBit, 0, "Annie")),
                    context)
                    .ok());
    const std::vector<NodeChoice> choices{{'C', true, true}};
    auto rows = node_rows(*lists, nodes, choices);
    ASSERT_TRUE(rows.ok());
    const std::string file = path("export.csv");
    ASSERT_TRUE(write_csv({file, false, true, kWindowsLatin}, *rows, files).ok());
    Rows read;
    const std::string output = python("read", file);
    for (size_t at = 0, end; at < output.size(); at = end + 1) {
        end = output.find('\n', at);
        std::vector<std::string> row;
        std::string_view line(output.data() + at, end - at);
        for (size_t f = 0, space; f <= line.size(); f = space + 1) {
            space = std::min(line.find(' ', f), line.size());
            row.push_back(unhex(line.substr(f, space - f)));
        }
        read.push_back(row);
    }
    EXPECT_EQ(
        read,
        (Rows{{"Name", "E-mail Address", "Info"},
              {"Lee, Ann (guest)", "Lee,.Ann@corvid.example", "active person"},
              {"Bob \"B\" Sm\xC3\xB8rre", "Bob.B.Sm\xC3\xB8rre@corvid.example", "suspended person"},
              {"Chess Club", "Chess.Club@qor.corvid.example", "conference"}}));
}

TEST_F(CsvExchangeTest, ColumnsAreFoundByNameAndAFileWithoutThemIsRefused) {
    EXPECT_EQ(import(write_file("a.csv", "Mail,Phone\nann@lee.example,1\n")).status().id(),
              platform::MessageId::kCsvUnknownFormat);
    EXPECT_EQ(import(write_file("b.csv", std::string(100000, ',') + "name,email\n")).status().id(),
              platform::MessageId::kCsvUnknownFormat);
    EXPECT_EQ(import_csv_addresses(nullptr, path("b.csv"), nodes, kWindowsLatin, policy, files)
                  .status()
                  .id(),
              platform::MessageId::kPersonalBookNotOpen);
    EXPECT_TRUE(entries().empty());

    // A megabyte in one line, and a row of 100,000 columns, are passed over.
    const std::string text = " EMAIL , name \nann@lee.example,Ann Lee\n" +
                             std::string(1 << 20, 'z') + "@x.example,Long\n" +
                             std::string(100000, ',') + "\nbob@b.example,Bob\n";
    auto outcome = import(write_file("c.csv", text));
    ASSERT_TRUE(outcome.ok());
    EXPECT_EQ(outcome->passed_over, 2u);
    EXPECT_EQ(entries(), (std::vector<std::pair<std::string, std::string>>{
                             {"Ann Lee", "ann@lee.example"}, {"Bob", "bob@b.example"}}));
    EXPECT_EQ(policy.notices.back().id(), platform::MessageId::kCsvRowsPassedOver);
}

TEST_F(CsvExchangeTest, AnExportAppendedToAFileStartsOnALineOfItsOwn) {
    auto group = add_group(*personal, "Friends");
    ASSERT_TRUE(group.ok());
    auto ann = add_personal_entry(*personal, "Lee, Ann", "ann@lee.example");
    ASSERT_TRUE(ann.ok());
    EXPECT_EQ(add_personal_entry(*personal, "Lee, Ann", "ANN@lee.example").status().id(),
              platform::MessageId::kAddressAlreadyKept);
    ASSERT_TRUE(add_group_member(*personal, *group, {kPersonalNode, *ann}).ok());
    ASSERT_TRUE(add_group_member(*personal, *group, {kPersonalNode, *ann}).ok());
    ASSERT_TRUE(add_group_member(*personal, *group, {'C', 77}).ok());  // not stored: passed over
    auto rows = group_rows(*personal, &*lists, nodes, *group);
    ASSERT_TRUE(rows.ok());
    ASSERT_EQ(rows->size(), 1u);

    const std::string file = write_file("out.csv", "Name,E-mail Address\nOld,old@x.example");
    ASSERT_TRUE(write_csv({file, true, false, kWindowsLatin}, *rows, files).ok());
    EXPECT_EQ(read_file("out.csv"),
              "Name,E-mail Address\nOld,old@x.example\n\"Lee, Ann\",ann@lee.example\n");
    ASSERT_TRUE(write_csv({path("new.csv"), true, false, kWindowsLatin}, *rows, files).ok());
    EXPECT_EQ(read_file("new.csv"),
              "\xEF\xBB\xBFName,E-mail Address\n\"Lee, Ann\",ann@lee.example\n");
    EXPECT_EQ(with_csv_extension("/a/b"), "/a/b.csv");
    EXPECT_EQ(with_csv_extension("/a/b.txt"), "/a/b.txt");
}

}  // namespace
}  // namespace orvane::addressbook::testing
