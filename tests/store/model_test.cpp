// Random puts, deletes and gets of every size class checked against a
// std::map, with the whole file walked after every batch and reopened
// between batches, for several block sizes and both option bits.
#include <map>
#include <random>

#include "tests/store/test_db.h"

namespace orvane::store::testing {
namespace {

struct Config {
    int blocksize;
    uint32_t flags;
};

class ModelTest : public ::testing::TestWithParam<Config> {
  protected:
    std::string random_key() {
        // Shared leading bytes make cut index keys tie and exercise prefix
        // compression; some keys run to the full 255 bytes.
        static const char* const kStems[] = {"",           "a",        "stem0",
                                             "stem0stem0", "zzzzzzzz", "\x01\x02"};
        std::string key = kStems[rng() % 6];
        const size_t extra = rng() % 20 == 0 ? 255 : 1 + rng() % 12;
        for (size_t i = 0; i < extra && key.size() < 255; ++i)
            key += static_cast<char>('a' + rng() % 4);
        return key;
    }

    std::string random_data(size_t key_length) {
        const int bs = GetParam().blocksize;
        size_t length = 0;
        switch (rng() % 8) {
            case 0:
                length = rng() % 8;
                break;
            case 1:
            case 2:
            case 3:
                length = rng() % 300;
                break;
            case 4:
                length = bs - 10 - key_length + rng() % 40;
                break;  // around the inline limit
            case 5:
                length = bs + rng() % (2 * bs);
                break;  // long
            case 6:
                length = rng() % bs;
                break;
            default:
                length = 255 + rng() % 40;
                break;  // the 16-bit length form
        }
        std::string data(length, '\0');
        if (rng() % 2) {
            for (auto& c : data) c = static_cast<char>(rng());  // incompressible
        } else {
            const std::string word = "word" + std::to_string(rng() % 100) + " ";
            for (size_t i = 0; i < length; ++i) data[i] = word[i % word.size()];
        }
        return data;
    }

    std::string existing_key() {
        if (model.empty()) return random_key();
        auto it = model.begin();
        std::advance(it, static_cast<long>(rng() % model.size()));
        return it->first;
    }

    void check_get(DbHandle db, const std::string& key) {
        auto exact = get(db, GET_EXACT, key);
        auto it = model.find(key);
        if (it == model.end()) {
            EXPECT_EQ(exact.code, kDbNotFound);
        } else {
            EXPECT_EQ(exact.code, 0);
            EXPECT_EQ(exact.data, it->second);
        }
        auto next = get(db, GET_NEXT, key);
        auto upper = model.upper_bound(key);
        if (upper == model.end()) {
            EXPECT_EQ(next.code, kDbNoNext);
        } else {
            EXPECT_EQ(next.code, 0);
            EXPECT_EQ(next.key, upper->first);
            EXPECT_EQ(next.data, upper->second);
        }
        auto prev = get(db, GET_PREV, key);
        auto lower = model.lower_bound(key);
        if (lower == model.begin()) {
            EXPECT_EQ(prev.code, kDbNoNext);
        } else {
            --lower;
            EXPECT_EQ(prev.code, 0);
            EXPECT_EQ(prev.key, lower->first);
        }
        auto at = get(db, GET_AT_OR_AFTER, key);
        auto found = model.lower_bound(key);
        if (found == model.end()) {
            EXPECT_EQ(at.code, kDbNoNext);
        } else {
            EXPECT_EQ(at.code, found->first == key ? 0 : 1);
            EXPECT_EQ(at.key, found->first);
        }
    }

    void walk(DbHandle db) {
        auto r = get(db, GET_FIRST, "");
        for (const auto& [key, data] : model) {
            ASSERT_EQ(r.code, 0) << "missing " << key;
            ASSERT_EQ(r.key, key);
            ASSERT_EQ(r.data, data) << key;
            r = get(db, GET_NEXT, r.key);
        }
        EXPECT_EQ(r.code, kDbNoNext);
        auto last = get(db, GET_LAST, "");
        if (model.empty()) {
            EXPECT_EQ(last.code, kDbNoNext);
        } else {
            EXPECT_EQ(last.key, model.rbegin()->first);
        }
        DbStatistics stat;
        ASSERT_EQ(DbStat(db, &stat), 0);
        EXPECT_EQ(stat.records, model.size());
    }

    std::mt19937 rng{12345};
    std::map<std::string, std::string> model;
    int run_keys = 0;
};

TEST_P(ModelTest, RandomOperationsMatchAMap) {
    ScratchDir dir;
    const std::string path = dir.path("model.db");
    DbFile c;
    ASSERT_EQ(DbCreate(c.out(), path, GetParam().flags, GetParam().blocksize, 8), 0);
    rng.seed(static_cast<unsigned>(GetParam().blocksize + GetParam().flags));
    for (int batch = 0; batch < 6; ++batch) {
        ASSERT_EQ(DbLock(c.get()), 0);
        // Big blocks are slow to compress under the sanitizers; fewer will do.
        const int operations = GetParam().blocksize >= 16384 ? 150 : 350;
        for (int op = 0; op < operations; ++op) {
            const unsigned what = rng() % 10;
            if (what < 6) {
                const std::string key = what == 0 ? existing_key() : random_key();
                const std::string data = random_data(key.size());
                ASSERT_EQ(put(c.get(), key, data), 0) << "batch " << batch << " op " << op;
                model[key] = data;
            } else if (what < 8) {
                const std::string key = existing_key();
                const int32_t result = del(c.get(), key);
                ASSERT_EQ(result, model.erase(key) ? 0 : kDbNotFound) << key;
            } else if (what < 9) {
                check_get(c.get(), rng() % 2 ? existing_key() : random_key());
            } else {
                // A run of new keys in ascending order, which fills blocks
                // at their end, then reads into it.
                const int length = 1 + static_cast<int>(rng() % 40);
                for (int i = 0; i < length; ++i, ++run_keys) {
                    const std::string key = "~" + std::to_string(1000000 + run_keys);
                    const std::string data = random_data(key.size());
                    ASSERT_EQ(put(c.get(), key, data), 0) << "batch " << batch << " run " << i;
                    model[key] = data;
                }
                check_get(c.get(), "~" + std::to_string(1000000 + run_keys - 1 - rng() % length));
            }
        }
        ASSERT_EQ(DbUnlock(c.get()), 0);
        walk(c.get());
        ASSERT_EQ(c.close(), 0);
        ASSERT_EQ(DbOpen(c.out(), path, GetParam().flags & DB_COMPRESS), 0);
        walk(c.get());
    }
    // Delete everything: one empty block remains (with blocks of 1024 bytes
    // the index has no room in block 0 and follows it).
    ASSERT_EQ(DbLock(c.get()), 0);
    for (const auto& entry : model) ASSERT_EQ(del(c.get(), entry.first), 0);
    ASSERT_EQ(DbUnlock(c.get()), 0);
    model.clear();
    walk(c.get());
    EXPECT_EQ(file_bytes(path).size(),
              2u * GetParam().blocksize + (GetParam().blocksize == 1024 ? 24 : 0));
}

INSTANTIATE_TEST_SUITE_P(Configs, ModelTest,
                         ::testing::Values(Config{1024, 0},
                                           Config{1024, DB_PREFIX_KEYS | DB_COMPRESS},
                                           Config{2048, DB_PREFIX_KEYS}, Config{4096, DB_COMPRESS},
                                           Config{16384, DB_PREFIX_KEYS | DB_COMPRESS}),
                         [](const auto& info) {
                             return "bs" + std::to_string(info.param.blocksize) + "_flags" +
                                    std::to_string(info.param.flags);
                         });

}  // namespace
}  // namespace orvane::store::testing
