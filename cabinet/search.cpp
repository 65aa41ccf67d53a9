#include "cabinet/search.h"

#include <algorithm>
#include <set>
#include <span>
#include <unordered_map>

#include "cabinet/cabinet.h"
#include "cabinet/posting_list.h"
#include "cabinet/search_terms.h"
#include "cabinet/search_words.h"
#include "cabinet/whole_record.h"

namespace orvane::cabinet {

using namespace store;
using platform::MessageId;
using platform::Result;
using platform::Status;
using texts::TextId;
using texts::TextRecord;

namespace {

// Up to this many hits are dated by reading the texts themselves; more are
// dated through the stamps of the box lists, and only those shown are read.
constexpr size_t kDirectReads = 256;

using Ids = std::vector<TextId>;

// One key to look up, or the keys a prefix stands for.
struct Source {
    std::vector<std::string> keys;
    uint64_t bytes = 0;  // their data: what reading them costs
};

struct PlannedForm {
    std::vector<Source> sources;  // smallest first
    bool empty = false;           // a key is missing: the form matches nothing
    uint64_t cost = 0;            // its smallest source
};

struct PlannedTerm {
    const ResolvedTerm* term = nullptr;
    std::vector<PlannedForm> forms;
    uint64_t cost = 0;
};

Ids unite(const Ids& a, const Ids& b) {
    Ids out;
    out.reserve(a.size() + b.size());
    std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
    return out;
}

Ids intersect(const Ids& a, const Ids& b) {
    Ids out;
    std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
    return out;
}

Status read_error(int32_t code) {
    return Status::engine("reading the search index", code, DbErrorText(code));
}

bool newer(const SearchHit& a, const SearchHit& b) {
    return a.date != b.date ? a.date > b.date : a.id > b.id;
}

class IndexSearch {
  public:
    IndexSearch(Cabinet& cabinet, const SearchOptions& options, SearchResult* result)
        : cabinet_(cabinet), db_(cabinet.db()), options_(options), result_(*result) {}

    Status run(const Query& query);

  private:
    Result<PlannedTerm> plan(const ResolvedTerm& term);
    Result<Source> exact_source(const std::string& key);
    Result<Source> prefix_source(const std::string& prefix);
    Result<Ids> evaluate(const PlannedTerm& term, const Ids* within);
    Result<Ids> evaluate(const PlannedForm& form, const Ids* within);
    Result<Ids> ids_of(const Source& source, const Ids* within);
    // The list of `key`, or no bytes when it has none.
    Status read_list(const std::string& key, std::vector<uint8_t>* data);
    void report_damaged(const std::string& key);
    Result<Ids> keep_phrases(const std::vector<const ResolvedTerm*>& phrases, const Ids& ids);
    // The text, or nothing when it is gone (counted as such).
    Result<std::optional<TextRecord>> read_hit(TextId id);
    Status collect_direct(const Ids& ids);
    Status collect_by_stamps(const Ids& ids);
    static SearchHit hit_of(const TextRecord& text, uint16_t box);
    bool in_box(const TextRecord& text) const;

    Cabinet& cabinet_;
    DbHandle db_;
    const SearchOptions& options_;
    SearchResult& result_;
    std::set<std::string> reported_;
    std::unordered_map<TextId, TextRecord> read_;  // texts read for a phrase
};

Result<Source> IndexSearch::exact_source(const std::string& key) {
    Source source;
    size_t length = 0;
    const int32_t code =
        DbGet(db_, GET_EXACT, key.data(), key.size(), nullptr, nullptr, 0, nullptr, &length, 0);
    if (code != kDbOk && code != kDbNotFound) return read_error(code);
    if (code == kDbOk) {
        source.keys.push_back(key);
        source.bytes = length;
    }
    return source;
}

Result<Source> IndexSearch::prefix_source(const std::string& prefix) {
    Source source;
    uint8_t key[kDbMaxKey];
    std::copy(prefix.begin(), prefix.end(), key);
    size_t key_length = prefix.size();
    int mode = GET_AT_OR_AFTER;
    for (;;) {
        uint8_t found[kDbMaxKey];
        size_t found_length = 0, length = 0;
        int32_t code = DbGet(db_, mode, key, key_length, found, &found_length, sizeof found,
                             nullptr, &length, 0);
        if (mode == GET_AT_OR_AFTER && code == kDbNotFound && found_length > 0) code = kDbOk;
        if (code == kDbNoNext || code == kDbNotFound) break;
        if (code != kDbOk) return read_error(code);
        if (found_length < prefix.size() || !std::equal(prefix.begin(), prefix.end(), found)) break;
        source.keys.emplace_back(reinterpret_cast<const char*>(found), found_length);
        source.bytes += length;
        std::copy(found, found + found_length, key);
        key_length = found_length;
        mode = GET_NEXT;
    }
    return source;
}

Result<PlannedTerm> IndexSearch::plan(const ResolvedTerm& term) {
    PlannedTerm planned;
    planned.term = &term;
    for (const TermForm& form : term.forms) {
        PlannedForm& out = planned.forms.emplace_back();
        for (size_t i = 0; i < form.keys.size() && !out.empty; ++i) {
            const bool prefix = form.last_key_is_prefix && i + 1 == form.keys.size();
            Result<Source> source =
                prefix ? prefix_source(form.keys[i]) : exact_source(form.keys[i]);
            if (!source.ok()) return source.take_status();
            if (source->keys.empty()) out.empty = true;
            out.sources.push_back(std::move(*source));
        }
        std::sort(out.sources.begin(), out.sources.end(),
                  [](const Source& a, const Source& b) { return a.bytes < b.bytes; });
        out.cost = out.empty ? 0 : out.sources.front().bytes;
        planned.cost += out.cost;
    }
    return planned;
}

void IndexSearch::report_damaged(const std::string& key) {
    if (!reported_.insert(key).second) return;
    ++result_.damaged_lists;
    cabinet_.policy().notice(Status::message(MessageId::kSearchWordDamaged, {shown_key(key)}));
}

Status IndexSearch::read_list(const std::string& key, std::vector<uint8_t>* data) {
    const int32_t code = read_whole_record(db_, GET_EXACT, key.data(), key.size(), data);
    if (code == kDbNotFound) data->clear();
    if (code != kDbOk && code != kDbNotFound) return read_error(code);
    return Status();
}

Result<Ids> IndexSearch::ids_of(const Source& source, const Ids* within) {
    std::vector<uint8_t> data;
    Ids ids;
    for (const std::string& key : source.keys) {
        if (Status status = read_list(key, &data); !status.ok()) return status;
        Ids found;
        PostingReader reader(data);
        TextId id;
        if (within && source.keys.size() == 1) {
            // Streams the list against the texts found so far.
            bool have = reader.next(&id);
            for (size_t i = 0; have && i < within->size();) {
                if (id < (*within)[i]) {
                    have = reader.next(&id);
                } else if ((*within)[i] < id) {
                    ++i;
                } else {
                    found.push_back(id);
                    ++i;
                    have = reader.next(&id);
                }
            }
        } else {
            while (reader.next(&id)) found.push_back(id);
        }
        if (reader.damaged()) {
            report_damaged(key);
            continue;
        }
        ids = ids.empty() ? std::move(found) : unite(ids, found);
    }
    if (within && source.keys.size() > 1) ids = intersect(*within, ids);
    return ids;
}

Result<Ids> IndexSearch::evaluate(const PlannedForm& form, const Ids* within) {
    if (form.empty) return Ids();
    Ids ids;
    const Ids* current = within;
    for (const Source& source : form.sources) {
        Result<Ids> next = ids_of(source, current);
        if (!next.ok()) return next;
        ids = std::move(*next);
        current = &ids;
        if (ids.empty()) break;
    }
    return ids;
}

Result<Ids> IndexSearch::evaluate(const PlannedTerm& term, const Ids* within) {
    Ids ids;
    for (const PlannedForm& form : term.forms) {
        Result<Ids> found = evaluate(form, within);
        if (!found.ok()) return found;
        ids = ids.empty() ? std::move(*found) : unite(ids, *found);
    }
    return ids;
}

Result<std::optional<TextRecord>> IndexSearch::read_hit(TextId id) {
    Result<std::optional<TextRecord>> text = cabinet_.read_text(id);
    if (!text.ok() && text.status().id() == MessageId::kTextDamaged) {
        cabinet_.policy().notice(text.status());
        ++result_.gone_texts;
        return std::optional<TextRecord>();
    }
    if (text.ok() && !*text) ++result_.gone_texts;
    return text;
}

Result<Ids> IndexSearch::keep_phrases(const std::vector<const ResolvedTerm*>& phrases,
                                      const Ids& ids) {
    Ids kept;
    for (TextId id : ids) {
        Result<std::optional<TextRecord>> text = read_hit(id);
        if (!text.ok()) return text.take_status();
        if (!*text) continue;
        const bool all = std::all_of(phrases.begin(), phrases.end(), [&](const ResolvedTerm* term) {
            const std::optional<std::vector<std::string>> words =
                phrase_words(*term, (*text)->charset);
            return words && body_has_phrase((*text)->body, (*text)->charset, *words, term->prefix);
        });
        if (!all) continue;
        kept.push_back(id);
        read_.emplace(id, std::move(**text));
    }
    return kept;
}

SearchHit IndexSearch::hit_of(const TextRecord& text, uint16_t box) {
    return {text.id, box, text.date, text.author.text, text.subject, text.charset};
}

bool IndexSearch::in_box(const TextRecord& text) const {
    return !options_.box ||
           std::find(text.boxes.begin(), text.boxes.end(), *options_.box) != text.boxes.end();
}

Status IndexSearch::collect_direct(const Ids& ids) {
    std::vector<SearchHit> hits;
    for (TextId id : ids) {
        std::optional<TextRecord> text;
        if (auto known = read_.find(id); known != read_.end()) {
            text = std::move(known->second);
        } else {
            Result<std::optional<TextRecord>> read = read_hit(id);
            if (!read.ok()) return read.take_status();
            text = std::move(*read);
        }
        if (!text || !in_box(*text)) continue;
        hits.push_back(hit_of(*text, options_.box          ? *options_.box
                                     : text->boxes.empty() ? 0
                                                           : text->boxes.front()));
    }
    std::sort(hits.begin(), hits.end(), newer);
    result_.matches = hits.size();
    if (options_.limit && hits.size() > options_.limit) hits.resize(options_.limit);
    result_.hits = std::move(hits);
    return Status();
}

Status IndexSearch::collect_by_stamps(const Ids& ids) {
    // The stamp (date) and box of every hit, from the box lists.
    std::vector<SearchHit> dated(ids.size());
    std::vector<bool> known(ids.size(), false);
    std::vector<uint16_t> boxes;
    if (options_.box) {
        boxes.push_back(*options_.box);
    } else {
        for (const BoxEntry& entry : cabinet_.boxes().entries())
            if (!entry.is_directory()) boxes.push_back(entry.number);
    }
    for (uint16_t box : boxes) {
        Result<BoxList> list = cabinet_.read_box_list(box);
        if (!list.ok()) return list.take_status();
        size_t next = 0;  // where the id after the last one found would be
        for (size_t i = 0; i < list->ids.size(); ++i) {
            const TextId id = list->ids[i];
            // Texts are mostly filed in the order of their ids: try the
            // place after the last hit before searching.
            size_t n = next;
            if (n >= ids.size() || ids[n] != id) {
                n = static_cast<size_t>(std::lower_bound(ids.begin(), ids.end(), id) - ids.begin());
                if (n == ids.size() || ids[n] != id) continue;
            }
            next = n + 1;
            if (known[n]) continue;
            known[n] = true;
            dated[n].id = id;
            dated[n].date = list->stamps[i];
            dated[n].box = box;
        }
    }
    // Hits in no box list are looked at one by one: only a text that is
    // gone, or a box list a repair would mend, leaves one out.
    std::vector<SearchHit> hits;
    std::vector<bool> read;  // the hit's author and subject are there
    hits.reserve(ids.size());
    for (size_t n = 0; n < ids.size(); ++n) {
        if (known[n]) {
            hits.push_back(std::move(dated[n]));
            read.push_back(false);
        } else if (!options_.box) {
            Result<std::optional<TextRecord>> text = read_hit(ids[n]);
            if (!text.ok()) return text.take_status();
            if (!*text) continue;
            hits.push_back(hit_of(**text, (*text)->boxes.empty() ? 0 : (*text)->boxes[0]));
            read.push_back(true);
        }
    }
    std::vector<size_t> order(hits.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return newer(hits[a], hits[b]); });
    // Only the hits shown are read; one that has gone makes room for the next.
    result_.matches = hits.size();
    for (size_t i : order) {
        if (options_.limit && result_.hits.size() == options_.limit) break;
        if (read[i]) {
            result_.hits.push_back(std::move(hits[i]));
            continue;
        }
        Result<std::optional<TextRecord>> text = read_hit(hits[i].id);
        if (!text.ok()) return text.take_status();
        if (!*text) {
            --result_.matches;
            continue;
        }
        result_.hits.push_back(hit_of(**text, hits[i].box));
    }
    return Status();
}

Status IndexSearch::run(const Query& query) {
    std::vector<ResolvedTerm> terms;
    for (const QueryTerm& term : query.terms) {
        Result<ResolvedTerm> resolved = resolve_term(term);
        if (!resolved.ok()) return resolved.take_status();
        terms.push_back(std::move(*resolved));
    }
    std::vector<PlannedTerm> planned;
    for (const ResolvedTerm& term : terms) {
        Result<PlannedTerm> plan_of_term = plan(term);
        if (!plan_of_term.ok()) return plan_of_term.take_status();
        planned.push_back(std::move(*plan_of_term));
    }
    std::stable_sort(planned.begin(), planned.end(),
                     [](const PlannedTerm& a, const PlannedTerm& b) { return a.cost < b.cost; });
    Ids ids;
    for (size_t i = 0; i < planned.size(); ++i) {
        Result<Ids> found = evaluate(planned[i], i == 0 ? nullptr : &ids);
        if (!found.ok()) return found.take_status();
        ids = std::move(*found);
        if (ids.empty()) break;
    }
    std::vector<const ResolvedTerm*> phrases;
    for (const ResolvedTerm& term : terms)
        if (term.phrase) phrases.push_back(&term);
    if (!phrases.empty() && !ids.empty()) {
        Result<Ids> kept = keep_phrases(phrases, ids);
        if (!kept.ok()) return kept.take_status();
        ids = std::move(*kept);
    }
    if (!phrases.empty() || ids.size() <= kDirectReads) return collect_direct(ids);
    return collect_by_stamps(ids);
}

}  // namespace

Result<SearchResult> find_texts(Cabinet& cabinet, const Query& query,
                                const SearchOptions& options) {
    SearchResult result;
    IndexSearch search(cabinet, options, &result);
    if (Status status = search.run(query); !status.ok()) return status;
    return result;
}

}  // namespace orvane::cabinet
