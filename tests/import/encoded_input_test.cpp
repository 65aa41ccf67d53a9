// The byte source under the parser: base64 and uuencoded lines, ZIP
// archives read as streams, checked against archives and encodings made by
// other software (Python's zipfile, Info-ZIP's zip, sharutils' uuencode).
#include <gtest/gtest.h>

#include <random>

#include "import/byte_source.h"
#include "import/encoded_lines.h"
#include "import/line_reader.h"
#include "import/zip_unpack.h"
#include "platform/file.h"
#include "tests/import/import_fixture.h"

namespace orvane::import::testing {
namespace {

using platform::MessageId;

class EncodedInputTest : public ImportTest {
  protected:
    // Every line the parser would see, the end of each layer marked "<end>".
    std::string lines_of(const std::string& path, bool as_zip) {
        ByteSource source;
        EXPECT_EQ(source.open(path, 0, *env_), 0);
        if (as_zip) last_status_ = source.start_zip_file();
        LineReader reader(source);
        std::string out;
        for (;;) {
            const std::optional<std::string_view> line = reader.next_line();
            if (line) {
                out.append(*line).append("\n");
                continue;
            }
            const ByteSource::LayerEnd end = source.end_layer();
            if (!end.error.ok()) last_status_ = end.error;
            if (end.next == AfterLayer::kEndOfFile) break;
            out += "<end>\n";
        }
        return out;
    }

    std::string tool(const std::string& kind, const std::string& output, const std::string& input,
                     const std::string& member = "C250907A.dmp") {
        return run("python3 " + std::string(ORVANE_TEST_TOOLS) + "/import_inputs.py " + kind +
                   " '" + output + "' '" + input + "' " + member);
    }

    std::string sample() {
        std::string text;
        for (int i = 0; i < 2000; ++i) text += "Line " + std::to_string(i) + " of the dump\n";
        return text;
    }

    platform::Status last_status_;
};

TEST_F(EncodedInputTest, Base64LinesDecodeWithPadsAndSkipForeignBytes) {
    std::string out;
    decode_base64_line("SGVsbG8=", out);  // one pad: two bytes in the last group
    EXPECT_EQ(out, "Hello");
    out.clear();
    decode_base64_line("SGVsbA==", out);  // two pads: one byte
    EXPECT_EQ(out, "Hell");
    out.clear();
    decode_base64_line("SG Vs\rbG8h\n", out);  // blanks and line ends are not in the alphabet
    EXPECT_EQ(out, "Hello!");
    out.clear();
    decode_base64_line("SGVsbG8hIQ", out);  // an incomplete last group is dropped
    EXPECT_EQ(out, "Hello!");
}

TEST_F(EncodedInputTest, UuencodedBlockFromSharutilsDecodesToTheFile) {
    std::string data;
    std::mt19937 random(3);
    for (int i = 0; i < 5000; ++i) data.push_back(static_cast<char>(random()));
    data += std::string(40, '\0');  // zero bytes at the end become blanks some mailers strip
    const std::string source = write("binary.bin", data);
    const std::string encoded = run("uuencode '" + source + "' binary.bin");
    ASSERT_TRUE(encoded.starts_with("begin 6")) << encoded.substr(0, 80);
    std::string decoded;
    size_t start = encoded.find('\n') + 1;
    for (size_t end; (end = encoded.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = encoded.substr(start, end - start);
        if (line == "end") break;
        while (!line.empty() && line.back() == ' ') line.pop_back();
        decode_uuencoded_line(line, decoded);
    }
    EXPECT_EQ(decoded, data);
}

TEST_F(EncodedInputTest, ZipsFromPythonAndInfoZipAreReadMemberByMember) {
    const std::string dump = sample();
    const std::string plain = write("C250907A.dmp", dump);
    struct Case {
        std::string kind;
        std::string expected;
    } cases[] = {
        {"zip-stored", dump + "<end>\n"},
        {"zip-deflated", dump + "<end>\n"},
        {"zip-streamed", dump + "<end>\n"},  // deflated, sizes after the data
        {"zip-two", dump + "<end>\n" + dump + "<end>\n"},
    };
    for (const Case& c : cases) {
        const std::string zip = dir_ + "/" + c.kind + ".zip";
        ASSERT_EQ(tool(c.kind, zip, plain), "") << c.kind;
        last_status_ = platform::Status();
        EXPECT_EQ(lines_of(zip, true), c.expected) << c.kind;
        EXPECT_OK(last_status_);
    }
    // Info-ZIP from a pipe: deflated, a Zip64 extra field, and a 64-bit
    // data descriptor after the data.
    const std::string piped = dir_ + "/piped.zip";
    ASSERT_EQ(run("cat '" + plain + "' | zip -q - - | cat > '" + piped + "'"), "");
    EXPECT_EQ(lines_of(piped, true), dump + "<end>\n");
    EXPECT_OK(last_status_);
    // And with the file named, as a user zips a dump.
    const std::string named = dir_ + "/named.zip";
    ASSERT_EQ(run("cd '" + dir_ + "' && zip -q named.zip C250907A.dmp"), "");
    EXPECT_EQ(lines_of(named, true), dump + "<end>\n");
}

TEST_F(EncodedInputTest, ArchivesThatCannotBeStreamedAreRefusedWithTheReason) {
    const std::string plain = write("C250907A.dmp", sample());
    struct Case {
        std::string kind;
        MessageId reason;
    } cases[] = {
        {"zip-streamed-stored", MessageId::kZipStoredWithDescriptor},
        {"zip-bzip2", MessageId::kZipMethodUnsupported},
    };
    for (const Case& c : cases) {
        const std::string zip = dir_ + "/" + c.kind + ".zip";
        ASSERT_EQ(tool(c.kind, zip, plain), "") << c.kind;
        ByteSource source;
        ASSERT_EQ(source.open(zip, 0, *env_), 0);
        const platform::Status status = source.start_zip_file();
        EXPECT_EQ(status.id(), c.reason) << c.kind << ": " << status.text();
    }
}

TEST_F(EncodedInputTest, DamagedMembersFailAtTheirEndAndNeverReadPastTheArchive) {
    const std::string dump = sample();
    const std::string plain = write("C250907A.dmp", dump);
    const std::string zip = dir_ + "/good.zip";
    ASSERT_EQ(tool("zip-stored", zip, plain), "");
    const std::string good = read(zip);
    constexpr size_t kDataAt = 30 + 12;  // local header and the member's name

    // A flipped byte of stored data: the checksum does not match.
    std::string flipped = good;
    flipped[kDataAt + 100] ^= 0x20;
    lines_of(write("flipped.zip", flipped), true);
    EXPECT_EQ(last_status_.id(), MessageId::kZipChecksumMismatch);

    // Cut in the middle of the data: the archive ends inside the member.
    lines_of(write("cut.zip", good.substr(0, kDataAt + 500)), true);
    EXPECT_EQ(last_status_.id(), MessageId::kZipTruncated);

    // A header that claims more data than there is.
    std::string claims = good;
    claims[18] = claims[22] = static_cast<char>(0xFF);  // sizes' low bytes
    claims[19] = claims[23] = static_cast<char>(0x7F);
    lines_of(write("claims.zip", claims), true);
    EXPECT_FALSE(last_status_.ok());

    // A deflated member whose packed size is given too small.
    const std::string deflated = dir_ + "/deflated.zip";
    ASSERT_EQ(tool("zip-deflated", deflated, plain), "");
    std::string small = read(deflated);
    small[18] = 10, small[19] = small[20] = small[21] = 0;
    lines_of(write("small.zip", small), true);
    EXPECT_EQ(last_status_.id(), MessageId::kZipSizeMismatch);
}

TEST_F(EncodedInputTest, UnpackingTakesOnlyTheExtensionOfTheMemberAndChecksFreeSpace) {
    const std::string plain = write("source.txt", sample());
    const std::string zip = dir_ + "/C250907A.zip";
    // A member name that would climb out of the folder.
    ASSERT_EQ(tool("zip-deflated", zip, plain, "../../escape.dmp"), "");
    platform::Result<std::string> unpacked = unpack_first_member(zip, {}, *env_);
    ASSERT_OK(unpacked);
    EXPECT_EQ(*unpacked, dir_ + "/C250907A.dmp");
    EXPECT_EQ(read(*unpacked), sample());
    EXPECT_FALSE(platform::file_exists(dir_ + "/../../escape.dmp"));
    // An existing target is never written over.
    EXPECT_FALSE(unpack_first_member(zip, {}, *env_).ok());

    // A member that claims more than the disk holds is refused before any
    // byte is written.
    std::string huge = read(zip);
    huge[22] = huge[23] = huge[24] = static_cast<char>(0xFF);
    huge[25] = static_cast<char>(0xFE);
    const std::string big = write("big.zip", huge);
    const uint64_t free = free_space(dir_);
    if (free < 0xFEFFFFFFull) {
        platform::Result<std::string> refused = unpack_first_member(big, dir_ + "/big.dmp", *env_);
        EXPECT_EQ(refused.status().id(), MessageId::kZipNoSpace);
        EXPECT_FALSE(platform::file_exists(dir_ + "/big.dmp"));
        EXPECT_FALSE(platform::file_exists(dir_ + "/big.dmp.part"));
    }
}

TEST_F(EncodedInputTest, LinesEndAtLfCrLfLoneCrNulAndFormFeedAndAreCut) {
    constexpr char kEnds[] = "one\r\ntwo\rthree\nfour\0five\fsix  \t\r\n";
    std::string input(kEnds, sizeof kEnds - 1);  // the NUL is one of the line ends
    input += std::string(1 << 20, 'x') + "\nlast";
    const std::string path = write("lines.dmp", input);
    ByteSource source;
    ASSERT_EQ(source.open(path, 0, *env_), 0);
    LineReader reader(source);
    std::vector<std::string> lines;
    while (const auto line = reader.next_line()) lines.emplace_back(*line);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "one");
    EXPECT_EQ(lines[1], "two");
    EXPECT_EQ(lines[2], "three");
    EXPECT_EQ(lines[3], "four");
    EXPECT_EQ(lines[4], "five");
    EXPECT_EQ(lines[5], "six");  // trailing blanks and tabs go
    EXPECT_EQ(lines[6].size(), kMaxLineLength);
    EXPECT_TRUE(reader.cut_lines());
    EXPECT_EQ(lines[7], "last");  // no line end at the end of the file
}

TEST_F(EncodedInputTest, ALookedAtLineLeavesTheLineBeforeItIntact) {
    const std::string path = write("peek.dmp", "To: Ann,\n Bo\nSubject: x\n");
    ByteSource source;
    ASSERT_EQ(source.open(path, 0, *env_), 0);
    LineReader reader(source);
    const std::string_view first = *reader.next_line();
    EXPECT_EQ(*reader.peek_line(), " Bo");
    EXPECT_EQ(first, "To: Ann,");
    reader.take_line();
    EXPECT_EQ(*reader.next_line(), "Subject: x");
    EXPECT_FALSE(reader.peek_line());
}

}  // namespace
}  // namespace orvane::import::testing
