#include "addressbook/records.h"

#include <gtest/gtest.h>

#include "addressbook/list_line.h"
#include "addressbook/name_words.h"

namespace orvane::addressbook {
namespace {

TEST(ObjectRecord, FieldsSitWhereEveryReaderLooksForThem) {
    AddressObject entry;
    entry.node = kPersonalNode;
    entry.number = 7;
    entry.type = kPersonalEntry;
    entry.flags = 0x11223344;
    entry.name = "Ann Lee";
    entry.address = "ann@lee.example";
    const std::string data = encode_object(entry);
    EXPECT_EQ(static_cast<uint8_t>(data[0]), kPersonalEntry);
    EXPECT_EQ(data.substr(1, 4), "\x44\x33\x22\x11");
    EXPECT_EQ(data[9], 7);
    EXPECT_EQ(data[18], 15);
    EXPECT_EQ(data.substr(49, 8), std::string("Ann Lee\0", 8));
    EXPECT_EQ(data.substr(57), std::string("ann@lee.example\0", 16));
    EXPECT_EQ(object_key('C', 0x1234), std::string("\x01"
                                                   "C\x34\x12",
                                                   4));
}

TEST(ObjectRecord, ReadsBackWhatWasStoredWithNamesCutToWhatIsKept) {
    AddressObject conference;
    conference.node = 'C';
    conference.number = 300;
    conference.type = kConference;
    conference.flags = 0x8010;
    conference.name = std::string(60, 'n');
    conference.first_number = 17;
    for (uint16_t i = 0; i < 2000; ++i) conference.members.push_back({'C', i});
    auto read = decode_object('C', 300, encode_object(conference));
    ASSERT_TRUE(read);
    conference.name.resize(kMaxNameLength);
    EXPECT_EQ(*read, conference);

    // Every shorter piece of the record is refused, never read past its end.
    const std::string data = encode_object(conference).substr(0, 200);
    for (size_t n = 0; n < data.size(); ++n)
        EXPECT_FALSE(decode_object('C', 300, data.substr(0, n)));
}

TEST(ObjectRecord, FlagsThatAnOldServerMarksHiddenAreReadAsOwnOnly) {
    EXPECT_EQ(flags_as_read(0xC3), 0xC3u | object_flags::kOwnOnly);
    EXPECT_EQ(flags_as_read(0x1C3), 0x1C3u | object_flags::kOwnOnly);  // bit 8 is not looked at
    EXPECT_EQ(flags_as_read(0xC2), 0xC2u);
    EXPECT_EQ(flags_as_read(0xC7), 0xC7u);
    AddressObject person;
    person.type = kPerson;
    person.flags = 0xC3;
    person.name = "X";
    EXPECT_EQ(decode_object('C', 1, encode_object(person))->flags, 0x200000C3u);
}

TEST(WordRecord, KeysCarryTheWordAndOnlyLaterPartsAPartNumber) {
    EXPECT_EQ(word_key("john"), std::string("\x04john\0", 6));
    EXPECT_EQ(word_key("john", 2), std::string("\x04john\0\x02", 7));
    auto part = parse_word_key(word_key("christop", 3));
    ASSERT_TRUE(part);
    EXPECT_EQ(part->word, "christop");
    EXPECT_EQ(part->part, 3);
    EXPECT_FALSE(parse_word_key(std::string("\x04john", 5)));
    EXPECT_FALSE(parse_word_key(std::string("\x04\0", 2)));
    EXPECT_FALSE(
        parse_word_key(std::string("\x04"
                                   "christoph\0",
                                   11)));
    EXPECT_FALSE(parse_word_key(std::string("\x04john\0\0", 7)));

    std::vector<WordEntry> entries{{'C', kPerson, 0x4001, 2}, {'M', kConference, 9, 1}};
    const std::string data = encode_word_entries(entries);
    EXPECT_EQ(data.size(), 4u + 2 * 5);
    EXPECT_EQ(decode_word_entries(data), entries);
    EXPECT_EQ(decode_word_entries(data + "xy").size(), 2u);  // a torn entry is not read
}

TEST(NameWords, WordsAreCutFoldedAndCountedFromOne) {
    auto words = name_words(
        "  Christopher O'NEIL-Smith (Stra\xDF"
        "e) 2nd");
    std::vector<std::string> texts;
    for (const auto& w : words) texts.push_back(w.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"christop", "o", "neil", "smith",
                                               "stra\xDF"
                                               "e",
                                               "2nd"}));
    EXPECT_EQ(words.back().position, 6);
    EXPECT_TRUE(name_words(".,;- ").empty());
}

TEST(ListLine, ReadsTheFieldsAsTheServerWritesThem) {
    ListLine line;
    ASSERT_EQ(parse_list_line("   -5 1  16396 8000002C John Smith (guest)  3,4 5,", &line),
              LineVerdict::kRead);
    EXPECT_EQ(line.serial, -5);
    EXPECT_EQ(line.type, 1u);
    EXPECT_EQ(line.number, 16396);
    EXPECT_EQ(line.flags, 0x8000002Cu);
    EXPECT_EQ(line.name, "John Smith (guest)");
    EXPECT_EQ(line.first_number, 3);
    EXPECT_EQ(line.more_numbers, (std::vector<uint16_t>{4, 5}));

    ASSERT_EQ(parse_list_line("9 2 12 0 Ann  Lee and more", &line), LineVerdict::kRead);
    EXPECT_EQ(line.name, "Ann");
    EXPECT_TRUE(line.more_numbers.empty());
    ASSERT_EQ(parse_list_line("9 2 12 0 " + std::string(60, 'x') + " ", &line), LineVerdict::kRead);
    EXPECT_EQ(line.name, std::string(55, 'x'));
}

TEST(ListLine, ShortLinesAreFillerAndMalformedOrOverflowingOnesAreRefused) {
    ListLine line;
    EXPECT_EQ(parse_list_line("1 1 1 1 Ann", &line), LineVerdict::kShort);
    for (const char* bad : {
             "1 1 32768 0 Number beyond 15 bits",        // object number
             "1 1 12 100000000 Flags beyond 32 bits",    // flags
             "1 4294967296 12 0 Type beyond 32 bits",    // type
             "2147483648 1 12 0 Serial beyond 31 bits",  // serial
             "1 1 12 0 Members beyond 16 bits  3,70000",
             "1 1 x 0 Not a number at all here",
             "\x01\xff\xfe garbage garbage \x00\x7f",
         }) {
        EXPECT_EQ(parse_list_line(bad, &line), LineVerdict::kBad) << bad;
    }
    EXPECT_EQ(parse_list_line("1 1 12 100000000 Flags beyond 32 bits", &line), LineVerdict::kBad);
    EXPECT_TRUE(line.number_known);
    EXPECT_EQ(line.number, 12);
    EXPECT_EQ(parse_list_line("-2147483648 1 12 0 lowest serial", &line), LineVerdict::kRead);
    EXPECT_EQ(line.serial, INT32_MIN);
}

TEST(ListFileName, NamesTheNodeAndTheKindOfList) {
    auto name = parse_list_file_name("co00012$");
    ASSERT_TRUE(name);
    EXPECT_EQ(name->node, 'C');
    EXPECT_TRUE(name->complete);
    EXPECT_FALSE(parse_list_file_name("MO12345#.")->complete);
    EXPECT_TRUE(parse_list_file_name("MO12345#.ZIP")->zipped);
    for (const char* other : {"CX00012$", "CO0001$", "CO00012$.txt", "1O00012$", "CO00012"})
        EXPECT_FALSE(parse_list_file_name(other)) << other;
}

}  // namespace
}  // namespace orvane::addressbook
