// Every code of the template language, one row per case: the template, the
// fields as typed, and the command it gives (or the field it refuses).
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "commands/codes.h"
#include "settings/password_encoding.h"
#include "tests/commands/expand_helper.h"

namespace orvane::commands {
namespace {

struct Row {
    const char* template_text;
    std::vector<std::pair<std::string, std::string>> typed;
    std::string ticked;
    std::string expected;  // "!" and the message when the fields are refused
};

const std::string kEncodedPassword = settings::encode_password("Secret12");

const std::vector<Row> kRows = {
    // Names, taken as typed without an address book.
    {"%A", {{"A", "Ann Lee"}}, "", "Ann Lee"},
    {"%A", {{"A", "ann@example.org"}}, "", "<ann@example.org>"},
    {"%A", {{"A", "Ann Lee <ann@example.org>"}}, "", "Ann Lee <ann@example.org>"},
    {"%B", {{"B", "Bob"}}, "", "Bob"},
    {"%C", {{"C", "Chess Club"}}, "", "Chess Club"},
    {"%C", {{"C", "chess@example.org"}}, "", "!Conference Name is invalid"},
    {"%M", {{"M", "Mo"}}, "", "Mo"},
    {"%O", {{"O", "Olga"}}, "", "Olga"},
    {"%O", {{"O", ""}}, "", "none"},
    {"%P", {{"P", "Pat"}}, "", "Pat"},
    {"%R", {{"R", "ray@example.org"}}, "", "<ray@example.org>"},
    {"%S", {{"S", "Sue"}}, "", "Sue"},
    {"x[ %S]", {{"S", ""}}, "", "x"},
    {"%T", {{"T", "Tom"}}, "", "Tom"},
    {"%U", {{"U", "Uma"}}, "", "Uma"},
    {"%W", {{"W", "Photos"}}, "", "Photos"},
    // Texts as typed.
    {"%1", {{"L", "New Name"}}, "", "New Name"},
    {"%1", {{"1", "Other"}}, "", "Other"},
    {"%@", {{"@", "example.org"}}, "", "example.org"},
    {"%@", {{"@", std::string(257, 'd')}}, "", "!Domain is invalid"},
    {"%L", {{"L", "Any text"}}, "", "Any text"},
    {"%Z{Names beginning with:}", {{"Z", "Ch"}}, "", "Ch"},
    {"%f", {{"f", "report.txt"}}, "", "report.txt"},
    {"%F", {{"F", "/home/ann/report.txt"}}, "", "report.txt"},
    {"%u",
     {{"u", "/tmp/a.txt"}, {"u.description", "My \"best\" file"}},
     "",
     "+/tmp/a.txt \"My 'best' file\""},
    {"%u", {{"u", "/tmp/my file.txt"}}, "", "+\"/tmp/my file.txt\" \"\""},
    {"%E", {{"E", "Hello\nworld"}}, "", "..."},
    // Check boxes.
    {"%D", {}, "D", "default"},
    {"x[ %D]", {}, "", "x"},
    {"%a", {}, "a", "all"},
    {"[x%b]", {}, "b", "x"},
    {"y[x%b]", {}, "", "y"},
    {"%n", {}, "n", "none"},
    {"%p", {}, "p", "none"},
    {"x%j", {}, "", "x"},
    {"%a", {{"a", "maybe"}}, "", "!All is invalid"},
    // Numbers and their kin.
    {"%X", {{"X", "3 weeks"}}, "", "3 week"},
    {"%X", {{"X", "9999 year"}}, "", "9999 year"},
    {"%X", {{"X", "0 day"}}, "", "!Expiration is invalid"},
    {"%X", {{"X", "3 fortnights"}}, "", "!Expiration is invalid"},
    {"%r", {{"r", "12"}}, "", "12"},
    {"%r", {{"r", "1x"}}, "", "!Unread Texts is invalid"},
    {"%t", {{"t", "345"}}, "", "345"},
    {"%z{Number of texts:}", {{"z", "7"}}, "", "7"},
    {"%z{Number of texts:}", {{"z", "-7"}}, "", "!Number of texts is invalid"},
    {"%y", {{"y", "2027"}}, "", "27"},
    {"%y", {{"y", "5"}}, "", "05"},
    {"%y", {{"y", "123"}}, "", "!Year is invalid"},
    {"%l", {{"l", "100"}}, "", "100"},
    {"%l", {{"l", "0"}}, "", "no limit"},
    {"%l", {{"l", "40000"}}, "", "!Max. Lines in received texts is invalid"},
    {"%d", {{"d", "5 March 2027"}}, "", "05-Mar-27"},
    {"%d", {{"d", "2027-12-31"}}, "", "31-Dec-27"},
    {"%d{Since:}", {{"d", "31.2.2027"}}, "", "!Since is invalid"},
    // Choices.
    {"%c", {{"c", "east"}}, "", "win east"},
    {"%c", {{"c", "ASCII"}}, "", "ascii"},
    {"%c", {{"c", "ebcdic"}}, "", "!Character Set in mail packets is invalid"},
    {"%g", {{"g", "Operator"}}, "", "oper"},
    {"%g", {{"g", "1"}}, "", "luser"},
    {"%g", {{"g", "admin"}}, "", "admin"},
    {"%g", {{"g", "boss"}}, "", "!Privilege is invalid"},
    {"%k", {{"k", "Secret12"}}, "", kEncodedPassword},
    {"%k", {{"k", "short"}}, "", "!The password must have 8 to 40 characters"},
    {"%V", {{"V", "always"}}, "", "no limit"},
    {"%V", {{"V", "no"}}, "", "0"},
    {"%V", {{"V", "250"}}, "", "250"},
    {"%V", {{"V", "lots"}}, "", "!Forward attached files in conferences is invalid"},
    {"%w[ %v]", {{"w", "fw@example.org"}, {"v", "100"}}, "", "fw@example.org 100"},
    {"x[ %v]", {{"v", "100"}}, "", "x"},
    {"%w", {{"w", "Nowhere"}, {"w.what", "letters"}}, "", "none"},
    {"%w",
     {{"w", "a@example.org"}, {"w.what", "letters"}, {"w.how", "zip"}, {"w.copy", "no copy"}},
     "",
     "a@example.org letters zip no copy"},
    {"%w", {{"w", "a@example.org"}, {"w.how", "carrier pigeon"}}, "", "!w.how is invalid"},
    // Several values and check-box groups.
    {"%H", {{"H.phone", "555 01"}}, "", "phone 555 01"},
    {"%K", {{"K", "Bo"}}, "", "Bo"},
    {"%s", {{"s.pauses", "on"}}, "", "on pauses"},
    {"%s", {{"s.encrypt att", "off"}}, "", "off encrypt att"},
    {"%s", {{"s.pauses", "sometimes"}}, "", "!s.pauses is invalid"},
    {"%A[ %N]", {{"A", "ann@example.org"}, {"N", "Ann Lee"}}, "", "<ann@example.org> Ann Lee"},
    {"%A[ %N]", {{"A", "Ann"}, {"N", "Ann Lee"}}, "", "Ann"},
    {"x%q", {{"q.public", "off"}, {"q.status", "on"}}, "", "x private status"},
    {"x%q", {{"q.hidden", "on"}, {"q.comments", "no"}}, "", "x hidden no comments"},
    {"x%q", {{"q.nothidden", "yes"}, {"q.only members", "on"}}, "", "x not hidden only members"},
    {"x[%q]", {}, "", "x"},
    {"x%x", {{"x.writeprot", "on"}, {"x.onlymembers", "off"}}, "", "x write prot no only members"},
    {"x%x", {{"x.public", "on"}}, "", "!The command has no field 'x.public'"},
    // Parts of the window that yield nothing.
    {"x%3%4%5%6%7%8%9%e%h%i%o", {}, "", "x"},
    // Fields the command does not have.
    {"%C", {{"D", "x"}}, "", "!The command has no field 'D'"},
    {"%C", {{"CC", "x"}}, "", "!The command has no field 'CC'"},
    {"%H", {{"H", "x"}}, "", "!The command has no field 'H'"},
    {"%H", {{"H.street", "x"}}, "", "!The command has no field 'H.street'"},
    {"%C", {}, "a", "!'a' is not a check box of this command"},
    {"%C%t", {}, "t", "!'t' is not a check box of this command"},
};

TEST(Codes, EveryCodeYieldsItsWords) {
    for (const Row& row : kRows) {
        CommandInput input;
        for (const auto& [key, value] : row.typed) input.values[key] = value;
        for (char c : row.ticked) input.ticked.insert(c);
        testing::Expanded expanded = testing::expand(row.template_text, input);
        SCOPED_TRACE(row.template_text);
        if (row.expected.starts_with("!")) {
            EXPECT_FALSE(expanded.prepared);
            EXPECT_EQ(expanded.status, row.expected.substr(1));
        } else {
            EXPECT_TRUE(expanded.prepared) << expanded.status;
            EXPECT_EQ(expanded.text, row.expected);
        }
    }
}

TEST(Codes, EveryCodeOfTheLanguageIsCovered) {
    std::string covered;
    for (const Row& row : kRows)
        for (const CodeUse& use : scan_codes(row.template_text)) covered += use.code;
    for (char code : std::string("ABCMOPRSTUW1@LZfFuEDXHKNabcdgjklnpqxrtzysvVw3456789ehio")) {
        EXPECT_NE(code_info(code), nullptr) << code;
        EXPECT_NE(covered.find(code), std::string::npos) << "no row for %" << code;
    }
}

}  // namespace
}  // namespace orvane::commands
