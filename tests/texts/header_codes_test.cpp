#include "texts/header_codes.h"

#include <gtest/gtest.h>

namespace orvane::texts {
namespace {

TEST(HeaderCodes, ReadNamesIgnoreCase) {
    EXPECT_EQ(find_header_name("From"), HeaderCode::kFrom);
    EXPECT_EQ(find_header_name("FROM"), HeaderCode::kFrom);
    EXPECT_EQ(find_header_name("from"), HeaderCode::kFrom);
    EXPECT_EQ(find_header_name("Receiver"), HeaderCode::kTo);
    EXPECT_EQ(find_header_name("single copy"), HeaderCode::kScc);
    EXPECT_EQ(find_header_name("Refernce"), HeaderCode::kReference);
    EXPECT_EQ(find_header_name("Comment on"), HeaderCode::kReference);
    EXPECT_EQ(find_header_name("(Comment in"), HeaderCode::kComment);
    EXPECT_EQ(find_header_name("Comments"), HeaderCode::kComment);
    EXPECT_EQ(find_header_name("(attached"), HeaderCode::kAttached);
    EXPECT_EQ(find_header_name("ATTCHMNT"), HeaderCode::kAttached);
    EXPECT_EQ(find_header_name("msg-id"), HeaderCode::kMsgId);
    EXPECT_EQ(find_header_name("Bcc-For"), HeaderCode::kBccFor);
    EXPECT_EQ(find_header_name("Via"), HeaderCode::kVia);
}

TEST(HeaderCodes, NamesThatAreNotRead) {
    EXPECT_FALSE(find_header_name("X-Mailer"));
    EXPECT_FALSE(find_header_name("Subtract"));  // written only
    EXPECT_FALSE(find_header_name("Attach"));
    EXPECT_FALSE(find_header_name("Fro"));
    EXPECT_FALSE(find_header_name("From "));
    EXPECT_FALSE(find_header_name(""));
    EXPECT_FALSE(find_header_name("Zzz"));
}

TEST(HeaderCodes, WrittenNamesAndLinks) {
    EXPECT_EQ(written_header_name(HeaderCode::kSubtract), "Subtract");
    EXPECT_EQ(written_header_name(HeaderCode::kReplyTo), "Reply-To");
    EXPECT_EQ(written_header_name(HeaderCode::kAttachRenamed), "");
    EXPECT_EQ(written_header_name(HeaderCode::kUnused), "");
    EXPECT_EQ(written_header_name(static_cast<HeaderCode>(200)), "");
    // Every name read maps back to a code whose written name reads the same.
    for (int code = 0; code < kHeaderCodeCount; ++code) {
        const std::string_view name = written_header_name(static_cast<HeaderCode>(code));
        if (name.empty() || code == 1 || code == 18) continue;
        EXPECT_EQ(find_header_name(name), static_cast<HeaderCode>(code)) << name;
    }
    EXPECT_EQ(opposite_link_code(HeaderCode::kReference), HeaderCode::kComment);
    EXPECT_EQ(opposite_link_code(HeaderCode::kComment), HeaderCode::kReference);
    EXPECT_TRUE(is_receiver_code(HeaderCode::kNcc));
    EXPECT_TRUE(is_receiver_code(HeaderCode::kCcFor));
    EXPECT_FALSE(is_receiver_code(HeaderCode::kSubtract));
    EXPECT_FALSE(is_receiver_code(HeaderCode::kDate));
}

}  // namespace
}  // namespace orvane::texts
