#include "tests/cabinet/search_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "cabinet/keys.h"
#include "cabinet/posting_list.h"
#include "cabinet/record_walk.h"
#include "cabinet/search_terms.h"
#include "cabinet/search_words.h"
#include "cabinet/stored_text.h"
#include "platform/bytes.h"

namespace orvane::cabinet::testing {

using texts::TextId;
using texts::TextRecord;

namespace {

std::vector<TextRecord> all_texts(Cabinet& cabinet) {
    std::vector<TextRecord> texts;
    const int32_t code =
        walk_records(cabinet.db(), &kTextPrefix, 1, [&](const WalkedRecord& record) {
            const TextId id = platform::load_be32(record.key + 1);
            std::optional<TextRecord> text =
                decode_stored_text(record.data, record.data_length, id);
            if (text) texts.push_back(std::move(*text));
            return WalkStep::kNext;
        });
    EXPECT_EQ(code, 0);
    return texts;
}

bool indexed(const TextRecord& text, const IndexOptions& options) {
    return options.index_waste_basket || text.boxes.size() != 1 || text.boxes[0] != 4;
}

}  // namespace

WordIndex stored_index(store::DbHandle db) {
    WordIndex index;
    const uint8_t first = kFirstIndexKeyByte;
    const int32_t code = walk_records(db, &first, 0, [&](const WalkedRecord& record) {
        if (record.key[0] < kFirstIndexKeyByte) return WalkStep::kNext;
        std::optional<std::vector<TextId>> ids =
            decode_posting_list({record.data, record.data_length});
        index[std::string(reinterpret_cast<const char*>(record.key), record.key_length)] =
            ids ? *ids : std::vector<TextId>{0xDEADBEEF};
        return WalkStep::kNext;
    });
    EXPECT_EQ(code, 0);
    return index;
}

WordIndex expected_index(Cabinet& cabinet, const IndexOptions& options) {
    WordIndex index;
    for (const TextRecord& text : all_texts(cabinet)) {
        if (!indexed(text, options)) continue;
        for (const std::string& key : index_keys(text, options.remove_re))
            index[key].push_back(text.id);
    }
    for (auto& [key, ids] : index) std::sort(ids.begin(), ids.end());
    return index;
}

std::vector<TextId> brute_force_search(Cabinet& cabinet, const IndexOptions& options,
                                       const std::string& query) {
    platform::Result<Query> parsed = parse_query(query);
    EXPECT_TRUE(parsed.ok()) << query;
    if (!parsed.ok()) return {};
    std::vector<ResolvedTerm> terms;
    for (const QueryTerm& term : parsed->terms) {
        platform::Result<ResolvedTerm> resolved = resolve_term(term);
        EXPECT_TRUE(resolved.ok()) << query;
        if (!resolved.ok()) return {};
        terms.push_back(std::move(*resolved));
    }
    std::vector<TextRecord> hits;
    for (TextRecord& text : all_texts(cabinet)) {
        if (!indexed(text, options)) continue;
        const std::vector<std::string> keys = index_keys(text, options.remove_re);
        auto has_key = [&](const std::string& key, bool prefix) {
            if (!prefix) return std::binary_search(keys.begin(), keys.end(), key);
            return std::any_of(keys.begin(), keys.end(),
                               [&](const std::string& k) { return k.starts_with(key); });
        };
        const bool all_terms = std::all_of(terms.begin(), terms.end(), [&](const ResolvedTerm& t) {
            return std::any_of(t.forms.begin(), t.forms.end(), [&](const TermForm& form) {
                for (size_t i = 0; i < form.keys.size(); ++i)
                    if (!has_key(form.keys[i],
                                 form.last_key_is_prefix && i + 1 == form.keys.size()))
                        return false;
                if (!t.phrase) return true;
                const auto words = phrase_words(t, text.charset);
                return words && body_has_phrase(text.body, text.charset, *words, t.prefix);
            });
        });
        if (all_terms) hits.push_back(std::move(text));
    }
    std::sort(hits.begin(), hits.end(), [](const TextRecord& a, const TextRecord& b) {
        return a.date != b.date ? a.date > b.date : a.id > b.id;
    });
    std::vector<TextId> ids;
    for (const TextRecord& text : hits) ids.push_back(text.id);
    return ids;
}

texts::ReceiverEntry receiver_named(std::string name) {
    texts::ReceiverEntry receiver;
    receiver.name = {1, std::move(name)};
    return receiver;
}

std::vector<uint8_t> word_record(store::DbHandle db, const std::string& key) {
    std::vector<uint8_t> data(600000);
    size_t length = 0;
    const int32_t code = store::DbGet(db, store::GET_EXACT, key.data(), key.size(), nullptr,
                                      nullptr, 0, data.data(), &length, data.size());
    data.resize(code == 0 ? length : 0);
    return data;
}

}  // namespace orvane::cabinet::testing
