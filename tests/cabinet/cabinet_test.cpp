#include "cabinet/cabinet.h"

#include <gtest/gtest.h>

#include "cabinet/db_lock.h"
#include "cabinet/fixed_boxes.h"
#include "cabinet/keys.h"
#include "cabinet/stored_text.h"
#include "platform/bytes.h"
#include "platform/fault_env.h"
#include "platform/file.h"

#include <sys/stat.h>
#include <unistd.h>
#include "tests/cabinet/cabinet_fixture.h"
#include "tests/support/read_only_env.h"
#include "tests/support/status_matchers.h"

namespace orvane::cabinet {
namespace {

using store::DbHandle;
using testing::CabinetTest;
using testing::full_text;
using testing::plain_text;
using texts::HeaderCode;
using texts::TextRecord;

// Raw access to records beside the cabinet's own handle.
std::optional<std::vector<uint8_t>> raw_get(DbHandle db, const Key& key) {
    std::vector<uint8_t> data(70000);
    size_t length = 0;
    if (store::DbGet(db, store::GET_EXACT, key.bytes, key.length, nullptr, nullptr, 0, data.data(),
                     &length, data.size()) != store::kDbOk)
        return std::nullopt;
    data.resize(length);
    return data;
}

int32_t raw_put(DbHandle db, const Key& key, const std::vector<uint8_t>& data) {
    return store::DbPut(db, key.bytes, key.length, data.data(), data.size());
}

std::string file_bytes(const std::string& path) {
    std::string bytes;
    EXPECT_EQ(platform::read_whole_file(path, &bytes), 0);
    return bytes;
}

TEST_F(CabinetTest, NewCabinetHasItsFixedBoxesAndKeepsThemOverReopen) {
    create();
    ASSERT_NE(reopen(), nullptr);
    const BoxTable& boxes = cabinet_->boxes();
    EXPECT_EQ(boxes[0].number, box::kMainDirectory);
    EXPECT_EQ(boxes[0].depth, 0);
    EXPECT_TRUE(boxes[0].is_directory());
    for (uint16_t number : initial_boxes()) {
        ASSERT_TRUE(boxes.contains(number)) << number;
        EXPECT_EQ(boxes.find(number)->name, default_box_name(number));
    }
    EXPECT_EQ(cabinet_->header().format_level, kFormatLevel);
    EXPECT_EQ(cabinet_->header().entry_count, boxes.size());
}

TEST_F(CabinetTest, TextsReadBackWithTheirBoxesAndLists) {
    create();
    const auto box = cabinet_->create_box("Friends", box::kMainDirectory, false);
    ASSERT_OK(box);
    TextRecord text = full_text(0x4B001234);
    text.boxes.clear();
    ASSERT_OK(cabinet_->file_text(text, box::kInBasket));
    ASSERT_OK(cabinet_->file_text(text, *box));
    ASSERT_NE(reopen(), nullptr);

    const auto back = text_of(text.id);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, text);
    const auto list = cabinet_->read_box_list(*box);
    ASSERT_OK(list);
    EXPECT_EQ(list->ids, std::vector<texts::TextId>{text.id});
    // The stamp is the date with bit 0 taken from the letter bit.
    EXPECT_EQ(list->stamps, std::vector<uint32_t>{(text.date & ~1u) | 1u});
}

TEST_F(CabinetTest, LongTextsTakeASecondRead) {
    create();
    TextRecord small = plain_text(1, 4000 - 120);
    TextRecord large = plain_text(2, 5000 - 120);
    ASSERT_OK(cabinet_->file_text(small, box::kInBasket));
    ASSERT_OK(cabinet_->file_text(large, box::kInBasket));
    ASSERT_NE(reopen(), nullptr);
    ASSERT_LT(encode_stored_text(small)->size(), kFirstReadSize);
    ASSERT_GT(encode_stored_text(large)->size(), kFirstReadSize);

    uint64_t before = cabinet_->text_reads();
    EXPECT_EQ(text_of(1), small);
    EXPECT_EQ(cabinet_->text_reads() - before, 1u);
    before = cabinet_->text_reads();
    EXPECT_EQ(text_of(2), large);
    EXPECT_EQ(cabinet_->text_reads() - before, 2u);
}

TEST_F(CabinetTest, BatchWritesTheListsWhenItEnds) {
    create();
    {
        FilingBatch batch(*cabinet_);
        for (texts::TextId id = 1; id <= 300; ++id) {
            TextRecord text = plain_text(id, 100);
            ASSERT_OK(cabinet_->file_text(text, id % 3 ? box::kInBasket : box::kLetters));
        }
        ASSERT_OK(cabinet_->remove_from_box(3, box::kLetters));
        // The batch sees its own lists; the file does not have them yet.
        EXPECT_EQ(*cabinet_->text_count(box::kInBasket), 200u);
        EXPECT_EQ(list_of(box::kLetters).ids.size(), 99u);
        EXPECT_FALSE(raw_get(cabinet_->db(), list_key(kTextList, box::kInBasket)));
        EXPECT_OK(batch.commit());
    }
    ASSERT_NE(reopen(), nullptr);
    const auto letters = cabinet_->read_box_list(box::kLetters);
    ASSERT_OK(letters);
    ASSERT_EQ(letters->ids.size(), 99u);
    EXPECT_EQ(letters->ids.front(), 6u);
    EXPECT_EQ(letters->stamps.front(), text_stamp(plain_text(6, 100)));
    EXPECT_EQ(list_of(box::kInBasket).ids.size(), 200u);
    EXPECT_FALSE(text_of(3));
}

TEST_F(CabinetTest, BoxTableOf120EntriesIsStoredAsThreeChunks) {
    create();
    while (cabinet_->boxes().size() < 120)
        ASSERT_OK(
            cabinet_->create_box("Box " + std::to_string(cabinet_->boxes().size()), 0, false));
    ASSERT_NE(reopen(), nullptr);
    EXPECT_EQ(cabinet_->boxes().size(), 120u);
    const DbHandle db = cabinet_->db();
    EXPECT_EQ(raw_get(db, chunk_key(0))->size(), 50 * kBoxEntrySize);
    EXPECT_EQ(raw_get(db, chunk_key(50))->size(), 50 * kBoxEntrySize);
    EXPECT_EQ(raw_get(db, chunk_key(100))->size(), 20 * kBoxEntrySize);
    EXPECT_FALSE(raw_get(db, chunk_key(150)));
    const Key second = chunk_key(50);
    EXPECT_EQ(std::vector<uint8_t>(second.bytes, second.bytes + second.length),
              (std::vector<uint8_t>{0, 0, 0x32}));

    // Shrinking below 101 entries drops the third chunk.
    for (int i = 0; i < 20; ++i)
        ASSERT_OK(cabinet_->delete_box(cabinet_->boxes()[cabinet_->boxes().size() - 1].number));
    EXPECT_FALSE(raw_get(cabinet_->db(), chunk_key(100)));
    ASSERT_NE(reopen(), nullptr);
    EXPECT_EQ(cabinet_->boxes().size(), 100u);
}

TEST_F(CabinetTest, LimitsOfTheTableAndOfABoxAreEnforced) {
    create();
    // Fill the table up to its limit through the repair path: box records
    // with no entry are recreated, which is far quicker than 10000 creates.
    ASSERT_EQ(store::DbLock(cabinet_->db()), store::kDbOk);
    for (uint16_t number = 100; cabinet_->boxes().size() + (number - 100) < kMaxBoxEntries;
         ++number) {
        BoxEntry entry;
        entry.number = number;
        entry.name = "B" + std::to_string(number);
        ASSERT_EQ(raw_put(cabinet_->db(), box_record_key(number), encode_box_record(entry)),
                  store::kDbOk);
    }
    ASSERT_EQ(store::DbUnlock(cabinet_->db()), store::kDbOk);
    ASSERT_OK(cabinet_->repair(RepairOptions{}));
    ASSERT_EQ(cabinet_->boxes().size(), kMaxBoxEntries);
    EXPECT_EQ(cabinet_->create_box("One too many", 0, false).status().id(),
              platform::MessageId::kCabinetFull);

    BoxList full;
    for (uint32_t i = 0; i < kMaxBoxTexts; ++i) {
        full.ids.push_back(1000000 + i);
        full.stamps.push_back(0);
    }
    ASSERT_OK(cabinet_->write_box_list(box::kInBasket, full));
    TextRecord text = plain_text(5, 100);
    EXPECT_EQ(cabinet_->file_text(text, box::kInBasket).id(), platform::MessageId::kBoxFull);
    EXPECT_FALSE(text_of(5));
}

TEST_F(CabinetTest, DeletingATextForGoodUnlinksItsPartners) {
    create();
    TextRecord original = plain_text(10, 50);
    TextRecord comment = plain_text(11, 50);
    original.links.push_back({11, HeaderCode::kComment, "Author 11"});
    comment.links.push_back({10, HeaderCode::kReference, "Author 10"});
    original.links.push_back({12, HeaderCode::kComment, "Author 12"});
    ASSERT_OK(cabinet_->file_text(original, box::kInBasket));
    ASSERT_OK(cabinet_->file_text(comment, box::kInBasket));
    ASSERT_OK(cabinet_->copy_text(11, box::kLetters));

    // Out of one of two boxes: the text stays, and so do the links.
    ASSERT_OK(cabinet_->remove_from_box(11, box::kInBasket));
    EXPECT_EQ(text_of(10)->links.size(), 2u);
    // Out of the last box: the text goes and the original forgets it.
    ASSERT_OK(cabinet_->remove_from_box(11, box::kLetters));
    EXPECT_FALSE(text_of(11));
    const auto links = text_of(10)->links;
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0].id, 12u);
    // The emptied box lost both list records.
    EXPECT_FALSE(raw_get(cabinet_->db(), list_key(kTextList, box::kLetters)));
    EXPECT_FALSE(raw_get(cabinet_->db(), list_key(kStampList, box::kLetters)));
}

TEST_F(CabinetTest, LinkCommentsAddsTheMissingHalves) {
    create();
    TextRecord comment = plain_text(21, 50);
    comment.links.push_back({20, HeaderCode::kReference, ""});
    TextRecord original = plain_text(20, 50);
    ASSERT_OK(cabinet_->file_text(comment, box::kInBasket));
    ASSERT_OK(cabinet_->file_text(original, box::kInBasket));
    EXPECT_EQ(*cabinet_->link_comments(), 1u);
    const auto links = text_of(20)->links;
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0].id, 21u);
    EXPECT_EQ(links[0].code, HeaderCode::kComment);
    EXPECT_EQ(links[0].author, "Author 21");
    EXPECT_EQ(*cabinet_->link_comments(), 0u);
}

TEST_F(CabinetTest, DamagedTextIsDeletedWhenRead) {
    create();
    TextRecord text = plain_text(30, 200);
    ASSERT_OK(cabinet_->file_text(text, box::kInBasket));
    auto bytes = raw_get(cabinet_->db(), text_key(30)).value();
    platform::store_le16(&bytes[26], static_cast<uint16_t>(bytes.size() + 5));
    ASSERT_EQ(raw_put(cabinet_->db(), text_key(30), bytes), store::kDbOk);
    EXPECT_EQ(cabinet_->read_text(30).status().id(), platform::MessageId::kTextDamaged);
    EXPECT_FALSE(raw_get(cabinet_->db(), text_key(30)));
}

TEST_F(CabinetTest, RepairRebuildsListsAndOffersTheMissingTexts) {
    create();
    const auto box = cabinet_->create_box("Projects", 0, false);
    ASSERT_OK(box);
    for (texts::TextId id = 1; id <= 5; ++id) {
        TextRecord text = plain_text(0x4B000000 + id, 100);
        ASSERT_OK(cabinet_->file_text(text, id % 2 ? *box : box::kInBasket));
    }
    TextRecord local = plain_text(500, 10);
    ASSERT_OK(cabinet_->file_text(local, *box));
    // Damage: two texts gone, a list lost, a text filed in a box without
    // entry, a record with a bad key, the table's last chunk gone.
    const DbHandle db = cabinet_->db();
    ASSERT_EQ(store::DbDelete(db, text_key(0x4B000003).bytes, 5), store::kDbOk);
    ASSERT_EQ(store::DbDelete(db, text_key(0x4B000004).bytes, 5), store::kDbOk);
    ASSERT_EQ(store::DbDelete(db, list_key(kTextList, *box).bytes, 4), store::kDbOk);
    TextRecord stray = plain_text(0x4B000009, 10);
    stray.boxes = {300};
    ASSERT_EQ(raw_put(db, text_key(stray.id), *encode_stored_text(stray)), store::kDbOk);
    const uint8_t odd_key[3] = {kTextPrefix, 1, 2};
    ASSERT_EQ(store::DbPut(db, odd_key, 3, "x", 1), store::kDbOk);

    ui_.answers.push_back(platform::Answer::Yes);  // download the missing
    RepairReport report;
    ASSERT_OK(cabinet_->repair(RepairOptions{.node_name = "TELVA", .node_key = 'K'}, &report));
    EXPECT_EQ(report.texts, 5u);
    EXPECT_EQ(report.deleted_records, 1u);
    // Text 4 was in the In-Basket's list; text 3's list was lost with the box's.
    EXPECT_EQ(report.missing, std::vector<texts::TextId>{0x4B000004});
    // That list was lost, so its texts come in key order.
    EXPECT_EQ(list_of(*box).ids, (std::vector<texts::TextId>{500, 0x4B000001, 0x4B000005}));
    EXPECT_EQ(list_of(box::kInBasket).ids, std::vector<texts::TextId>{0x4B000002});
    ASSERT_TRUE(cabinet_->boxes().contains(300));
    EXPECT_EQ(cabinet_->boxes().find(300)->name, "Box 300 ???");
    EXPECT_EQ(list_of(300).ids, std::vector<texts::TextId>{0x4B000009});
    EXPECT_GE(cabinet_->header().local_counter, 500u);

    // The download command waits in the Out-Basket.
    const auto out = cabinet_->read_box_list(box::kOutBasket);
    ASSERT_OK(out);
    ASSERT_EQ(out->ids.size(), 1u);
    const auto command = text_of(out->ids[0]);
    EXPECT_EQ(command->subject, "Download missing texts");
    EXPECT_EQ(command->body, "@down 4\n");
    EXPECT_EQ(texts::text_kind(command->kind_flags), texts::TextKind::kNewText);
    EXPECT_TRUE(command->receivers.empty());
    EXPECT_FALSE(raw_get(cabinet_->db(), Key{{kTextPrefix, 1, 2}, 3}));
}

TEST_F(CabinetTest, MissingHeaderIsRepairedOnOpen) {
    create();
    TextRecord text = plain_text(40, 100);
    ASSERT_OK(cabinet_->file_text(text, box::kInBasket));
    ASSERT_EQ(store::DbDelete(cabinet_->db(), header_key().bytes, 1), store::kDbOk);
    ASSERT_EQ(store::DbDelete(cabinet_->db(), chunk_key(0).bytes, 3), store::kDbOk);
    ASSERT_NE(reopen(), nullptr);
    EXPECT_TRUE(cabinet_->boxes().contains(box::kInBasket));
    EXPECT_EQ(list_of(box::kInBasket).ids, std::vector<texts::TextId>{40});
    ASSERT_NE(reopen(), nullptr);
    EXPECT_EQ(cabinet_->boxes().find(box::kInBasket)->name, "In-Basket");
}

TEST_F(CabinetTest, NewerPasswordKindIsRefusedAndLeftUnchanged) {
    create();
    const auto encoded = encode_header(cabinet_->header());
    std::vector<uint8_t> header(encoded.begin(), encoded.end());
    header[1] = 2;
    header[11] = 0;  // would be changed to 14 by an open that went on
    ASSERT_EQ(raw_put(cabinet_->db(), header_key(), header), store::kDbOk);
    ASSERT_OK(cabinet_->close());
    cabinet_.reset();
    const std::string before = file_bytes(path_);
    EXPECT_EQ(reopen(), nullptr);
    EXPECT_EQ(last_status_.id(), platform::MessageId::kNewerVersion);
    EXPECT_EQ(file_bytes(path_), before);
}

TEST_F(CabinetTest, PasswordIsAskedAtMostThreeTimes) {
    create(CreateOptions{.password = "open sesame", .keep_search_index = false});
    EXPECT_EQ(cabinet_->header().password_kind, kWithPassword);
    ui_.texts = {"wrong", "also wrong", "still wrong", "open sesame"};
    EXPECT_EQ(reopen(), nullptr);
    EXPECT_EQ(last_status_.id(), platform::MessageId::kWrongPassword);
    EXPECT_EQ(ui_.prompts.size(), 3u) << "three tries";

    RecentPassword recent;
    ui_.texts = {"wrong", "open sesame"};
    ASSERT_NE(reopen(OpenOptions{.recent_password = &recent}), nullptr);
    // A second open right after takes the password just given.
    ui_.texts.clear();
    ASSERT_NE(reopen(OpenOptions{.recent_password = &recent}), nullptr);
}

TEST_F(CabinetTest, MissingFileIsCreatedOnlyWhenTheUserAgrees) {
    ui_.answers.push_back(platform::Answer::No);
    EXPECT_TRUE(Cabinet::open(path_, {}, ui_).status().is_cancelled());
    EXPECT_FALSE(platform::file_exists(path_));
    // Nobody to ask: the answer the caller chose as safe.
    EXPECT_TRUE(Cabinet::open(path_, {.create_unattended = platform::Answer::No}, ui_)
                    .status()
                    .is_cancelled());
    EXPECT_FALSE(platform::file_exists(path_));
    EXPECT_EQ(Cabinet::open(path_, {.offer_create = false}, ui_).status().engine_code(),
              store::kDbFileNotFound);
    EXPECT_EQ(ui_.shown.size(), 2u) << "a caller that may not create does not ask";
    ui_.answers.push_back(platform::Answer::Yes);
    ASSERT_NE(reopen(), nullptr);
    EXPECT_TRUE(cabinet_->boxes().contains(box::kInBasket));
}

TEST_F(CabinetTest, OldFormatMovesSentTextsToTheirNewBoxes) {
    create();
    cabinet_->boxes();
    TextRecord sent = plain_text(50, 10);
    TextRecord result = plain_text(51, 10);
    ASSERT_OK(cabinet_->file_text(sent, box::kPendingSentMail));
    ASSERT_OK(cabinet_->file_text(result, box::kPendingSentCommands));
    ASSERT_OK(cabinet_->rename_box(box::kPendingSentMail, "Sent"));
    auto header = encode_header(cabinet_->header());
    header[0] = 40;
    ASSERT_EQ(
        raw_put(cabinet_->db(), header_key(), std::vector<uint8_t>(header.begin(), header.end())),
        store::kDbOk);
    ASSERT_NE(reopen(), nullptr);
    EXPECT_EQ(cabinet_->header().format_level, kFormatLevel);
    EXPECT_EQ(cabinet_->boxes().find(box::kPendingSentMail)->name, "Pending Sent Mail");
    EXPECT_EQ(list_of(box::kSentMail).ids, std::vector<texts::TextId>{50});
    EXPECT_EQ(list_of(box::kResultsOfCommands).ids, std::vector<texts::TextId>{51});
    EXPECT_TRUE(list_of(box::kPendingSentMail).ids.empty());
    EXPECT_EQ(text_of(50)->boxes, std::vector<uint16_t>{box::kSentMail});
}

TEST_F(CabinetTest, CompactingKeepsEveryTextAndShrinksTheFile) {
    create();
    {
        DbLockGuard lock(cabinet_->db());
        for (texts::TextId id = 1; id <= 400; ++id) {
            TextRecord text = plain_text(id, 900);
            ASSERT_OK(cabinet_->file_text(text, id % 4 ? box::kWasteBasket : box::kInBasket));
        }
        for (texts::TextId id = 1; id <= 400; ++id)
            if (id % 4) {
                ASSERT_OK(cabinet_->remove_from_box(id, box::kWasteBasket));
            }
        ASSERT_EQ(lock.commit(), store::kDbOk);
    }
    store::DbStatistics before, after;
    ASSERT_EQ(store::DbStat(cabinet_->db(), &before), store::kDbOk);
    ASSERT_OK(cabinet_->compact());
    ASSERT_EQ(store::DbStat(cabinet_->db(), &after), store::kDbOk);
    EXPECT_LT(after.data_blocks, before.data_blocks);
    ASSERT_EQ(ui_.progress.size(), 1u);
    EXPECT_EQ(ui_.progress[0].title, "Compacting the database");
    ASSERT_NE(reopen(), nullptr);
    EXPECT_EQ(list_of(box::kInBasket).ids.size(), 100u);
    for (texts::TextId id = 4; id <= 400; id += 4) {
        const auto text = text_of(id);
        ASSERT_TRUE(text) << id;
        EXPECT_EQ(text->body, plain_text(id, 900).body);
        EXPECT_EQ(text->boxes, std::vector<uint16_t>{box::kInBasket});
    }
}

TEST_F(CabinetTest, ReadOnlyCabinetRefusesChanges) {
    create();
    ASSERT_OK(cabinet_->close());
    cabinet_.reset();
    orvane::testing::ReadOnlyEnv read_only;
    env_ = &read_only;
    ASSERT_NE(reopen(), nullptr);
    EXPECT_TRUE(cabinet_->read_only());
    EXPECT_EQ(cabinet_->create_box("New", 0, false).status().id(),
              platform::MessageId::kCabinetReadOnly);
    EXPECT_EQ(cabinet_->repair(RepairOptions{}).id(), platform::MessageId::kCabinetReadOnly);
    EXPECT_OK(cabinet_->close());
    cabinet_.reset();
}

// A store that fails at any file operation (a full disk, an I/O error) leaves
// the box list naming exactly the texts that are there: the text filed when
// the store said so, and absent when it said not.
TEST_F(CabinetTest, AFailedStoreAnywhereLeavesTheBoxListTrue) {
    platform::FaultEnv faults;
    env_ = &faults;
    create();
    for (texts::TextId id = 1; id <= 3; ++id) {
        TextRecord text = plain_text(id, 200);
        ASSERT_OK(cabinet_->file_text(text, box::kOutBasket));
    }
    ASSERT_OK(cabinet_->close());
    cabinet_.reset();
    const std::string before = temp_.file("before.cab");
    std::filesystem::copy_file(path_, before);

    faults.count_only(path_);
    ASSERT_NE(reopen(), nullptr);
    TextRecord fourth = plain_text(4, 5000);
    ASSERT_OK(cabinet_->file_text(fourth, box::kOutBasket));
    ASSERT_OK(cabinet_->close());
    cabinet_.reset();
    const uint64_t operations = faults.operations();
    ASSERT_GT(operations, 3u);

    uint64_t refused = 0;
    for (uint64_t n = 0; n < operations; ++n) {
        std::filesystem::copy_file(before, path_,
                                   std::filesystem::copy_options::overwrite_existing);
        faults.arm(n, platform::FaultEnv::Fault::kFail, path_);
        bool stored = false;
        if (reopen() != nullptr) {
            TextRecord text = plain_text(4, 5000);
            stored = cabinet_->file_text(text, box::kOutBasket).ok();
            (void)cabinet_->close();  // may fail too; the reopen below judges
            cabinet_.reset();
        }
        faults.disarm();
        ASSERT_NE(reopen(), nullptr) << n;
        const BoxList list = list_of(box::kOutBasket);
        for (texts::TextId id : list.ids)
            EXPECT_TRUE(text_of(id).has_value()) << "listed but not stored: " << id << ", op " << n;
        const bool listed = std::find(list.ids.begin(), list.ids.end(), 4u) != list.ids.end();
        EXPECT_EQ(text_of(4).has_value(), listed) << n;
        if (stored) {
            EXPECT_TRUE(listed) << "reported stored but lost, op " << n;
        }
        if (!stored) ++refused;
        EXPECT_GE(list.ids.size(), 3u) << n;
        ASSERT_OK(cabinet_->close());
        cabinet_.reset();
    }
    EXPECT_GT(refused, 0u);
}

}  // namespace
}  // namespace orvane::cabinet
