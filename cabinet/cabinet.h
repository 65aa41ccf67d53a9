// An open filing cabinet: the header, the box table, and the texts filed in
// the boxes, all records of one database file. Operations return a Status
// (or a Result) and never talk to the user; the few questions a cabinet
// must ask (the password, whether to fetch texts a repair found missing)
// and the progress of long work go to the Policy given at opening. A failed
// operation leaves the cabinet open and usable.
//
// Commits are explicit: every change is committed by the operation that
// makes it, except the header fields that close() writes back. The
// destructor of a cabinet that was not closed abandons those.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cabinet/box_table.h"
#include "cabinet/header.h"
#include "cabinet/index_options.h"
#include "cabinet/password.h"
#include "platform/env.h"
#include "platform/policy.h"
#include "platform/status.h"
#include "store/db.h"
#include "texts/text_record.h"

namespace orvane::cabinet {

class SearchIndex;

// A box holds at most this many texts.
inline constexpr size_t kMaxBoxTexts = 64800;
// Buffer of the first read of a text; longer texts are read a second time.
inline constexpr size_t kFirstReadSize = 4096;

// The texts of a box in the box's order, and for each its stamp.
struct BoxList {
    std::vector<texts::TextId> ids;
    std::vector<uint32_t> stamps;
};

struct CreateOptions {
    std::string password;  // empty: no password
    bool keep_search_index = false;
};

struct OpenOptions {
    bool compression = true;      // compress blocks written from now on
    bool allow_read_only = true;  // open a write-protected file read-only
    // Offer to create the cabinet when the file does not exist, and the
    // answer taken when nobody can be asked: yes for the user's own cabinet
    // (an empty one loses nothing), no for a file named by hand, where a
    // typing mistake must not make a new cabinet.
    bool offer_create = true;
    platform::Answer create_unattended = platform::Answer::Yes;
    RecentPassword* recent_password = nullptr;
    IndexOptions index = {};
};

// What a repair found, for the caller that wants to know.
struct RepairReport {
    uint32_t texts = 0;
    uint32_t deleted_records = 0;
    uint32_t recreated_boxes = 0;
    std::vector<texts::TextId> missing;  // named by the old box lists, gone now
};

struct RepairOptions {
    // The node to download missing texts from: its name for the question
    // and its key. Only texts of that node can be asked for (a local text,
    // or one of another node, has no number there); without a node no
    // download is offered.
    std::string node_name;
    texts::NodeKey node_key = 0;
};

class Cabinet {
  public:
    // Creates a new cabinet with its fixed boxes; fails when the file
    // exists. A create that fails leaves no file behind.
    static platform::Result<std::unique_ptr<Cabinet>> create(
        const std::string& path, const CreateOptions& options, platform::Policy& policy,
        platform::Env& env = platform::system_env());
    static platform::Result<std::unique_ptr<Cabinet>> open(
        const std::string& path, const OpenOptions& options, platform::Policy& policy,
        platform::Env& env = platform::system_env());

    // Writes back what changed and closes the file; the cabinet is closed
    // even when writing back failed.
    [[nodiscard]] platform::Status close();
    // Closes a cabinet that was not closed, abandoning header changes that
    // close() would have written.
    ~Cabinet();
    Cabinet(const Cabinet&) = delete;
    Cabinet& operator=(const Cabinet&) = delete;

    const std::string& path() const { return path_; }
    bool read_only() const { return read_only_; }
    const CabinetHeader& header() const { return header_; }
    const BoxTable& boxes() const { return table_; }
    store::DbHandle db() const { return db_; }
    platform::Policy& policy() { return policy_; }
    platform::Env& env() { return env_; }

    // The read-only message when the cabinet cannot be changed, else success.
    platform::Status check_writable() const;

    // The next identifier for a text that exists only here; the counter is
    // committed at once, so that an identifier is never given twice.
    platform::Result<texts::TextId> next_local_id();
    // Makes sure next_local_id never gives `id` again: a text that arrives
    // under a local number from elsewhere (the result of a command) must not
    // be overwritten by a text written later. Ids at or above the limit of
    // local numbers are left to their own.
    platform::Status reserve_local_id(texts::TextId id);

    // --- Boxes ---
    // A new box or directory inside `parent`, after the entries it holds.
    platform::Result<uint16_t> create_box(const std::string& name, uint16_t parent, bool directory);
    // Makes sure fixed box `number` exists, creating it with its default name.
    platform::Status ensure_fixed_box(uint16_t number);
    platform::Status rename_box(uint16_t number, const std::string& name);
    platform::Status move_box(uint16_t number, uint16_t new_parent);
    // Deletes an empty box or directory the user made.
    platform::Status delete_box(uint16_t number);
    // Texts in a box, from the length of its text list.
    platform::Result<uint32_t> text_count(uint16_t box);

    // --- Box lists ---
    platform::Result<BoxList> read_box_list(uint16_t box);
    // Writes both lists; an empty list deletes both records. Within a
    // FilingBatch the lists are written when the batch ends.
    platform::Status write_box_list(uint16_t box, const BoxList& list);

    // --- Texts ---
    // The text, or nothing when it is not there. A damaged text is deleted
    // (when the cabinet is writable) and reported with kTextDamaged, so that
    // the caller can say which text was lost.
    platform::Result<std::optional<texts::TextRecord>> read_text(texts::TextId id,
                                                                 bool for_update = false);
    // Stores the text; one that is in no box any more is deleted for good.
    platform::Status write_text(const texts::TextRecord& text);
    // Files `text` into `box` as well: the box lists it and the text names
    // the box, both in one commit. Refused for a directory and a full box.
    platform::Status file_text(texts::TextRecord& text, uint16_t box);
    // Takes the text out of `box`; a text left in no box is deleted for good.
    platform::Status remove_from_box(texts::TextId id, uint16_t box);
    platform::Status move_text(texts::TextId id, uint16_t from, uint16_t to);
    platform::Status copy_text(texts::TextId id, uint16_t to);
    // Moves every text of `from` into `to`.
    platform::Status move_all_texts(uint16_t from, uint16_t to);

    // --- Links ---
    // Adds the missing opposite link of every link in the cabinet; gives
    // the number added.
    platform::Result<uint32_t> link_comments();

    // --- Maintenance ---
    // Rebuilds the box table and lists from the texts, then offers to fetch
    // the texts that went missing (through the policy).
    platform::Status repair(const RepairOptions& options, RepairReport* report = nullptr);
    // Packs the database file.
    platform::Status compact();

    // Writes the header and changed parts of the box table.
    platform::Status write_back();

    // The words of the texts, kept up to date as texts are written.
    SearchIndex& search_index() { return *search_index_; }

    // Read calls made for texts since opening: one per text unless it is
    // longer than the first read.
    uint64_t text_reads() const { return text_reads_; }

    // Where the engine's progress reports go while a long operation runs.
    struct EngineProgress {
        platform::Progress* progress = nullptr;
        // The engine repaired the file through and through, which may have
        // dropped records the search index counts on.
        bool full_repair = false;
    };

  private:
    Cabinet(std::string path, store::DbHandle db, std::shared_ptr<EngineProgress> engine_progress,
            platform::Policy& policy, platform::Env& env, bool read_only);

    platform::Status engine_error(const std::string& action, int32_t code) const;
    platform::Status load(const OpenOptions& options);
    int32_t read_header();
    int32_t read_box_table(std::vector<BoxEntry>* entries, bool as_far_as_present);
    platform::Status check_password(const OpenOptions& options);
    platform::Status convert_old_format();
    platform::Status add_entry(BoxEntry entry);
    platform::Status delete_text_for_good(const texts::TextRecord& text);
    platform::Status unlink_deleted_text(const texts::TextRecord& text);
    platform::Status add_to_list(uint16_t box, const texts::TextRecord& text);
    platform::Status remove_from_list(uint16_t box, texts::TextId id);
    std::string box_name(uint16_t number) const;
    // The box list as the batch holds it, loaded on first use.
    platform::Result<BoxList*> batch_list(uint16_t box);
    // The list of `box` to change in place: the batch's copy, or `own`, read
    // for the purpose (the caller writes it back).
    platform::Result<BoxList*> list_to_change(uint16_t box, BoxList* own);
    platform::Status store_box_list(uint16_t box, const BoxList& list);
    platform::Status begin_batch();
    platform::Status end_batch(bool commit);
    friend class FilingBatch;
    friend class SearchIndex;
    platform::Status rebuild(platform::Progress* progress, RepairReport* report);
    // Puts "@down" commands for the missing texts in the Out-Basket.
    platform::Status queue_download(const std::vector<texts::TextId>& missing);

    std::string path_;
    store::DbHandle db_;
    std::shared_ptr<EngineProgress> engine_progress_;
    platform::Policy& policy_;
    platform::Env& env_;
    bool read_only_;
    CabinetHeader header_;
    bool header_changed_ = false;
    BoxTable table_;
    bool table_changed_ = false;
    size_t stored_chunks_ = 0;  // chunks of the box table in the file
    std::vector<uint16_t> deleted_box_records_;
    uint64_t text_reads_ = 0;
    int batch_depth_ = 0;
    std::map<uint16_t, BoxList> batch_lists_;  // box lists changed or read in the batch
    std::unique_ptr<SearchIndex> search_index_;
};

// Many texts filed at once: holds the database lock and keeps the box lists
// in memory until it is committed, so that each list is written once rather
// than once per text. A batch that is not committed is abandoned: its box
// lists are not written and its lock period is not committed.
class FilingBatch {
  public:
    explicit FilingBatch(Cabinet& cabinet) : cabinet_(cabinet), status_(cabinet.begin_batch()) {}
    ~FilingBatch() {
        // An abandoned batch has failed already; its caller reports that.
        if (status_.ok() && !ended_) (void)cabinet_.end_batch(false);
    }
    FilingBatch(const FilingBatch&) = delete;
    FilingBatch& operator=(const FilingBatch&) = delete;

    // Whether the batch could begin.
    const platform::Status& status() const { return status_; }
    // Writes the lists and commits the lock period. Runs once.
    [[nodiscard]] platform::Status commit() {
        if (!status_.ok() || ended_) return status_;
        ended_ = true;
        return cabinet_.end_batch(true);
    }

  private:
    Cabinet& cabinet_;
    platform::Status status_;
    bool ended_ = false;
};

// The action phrases of engine errors.
std::string reading_text_phrase(texts::TextId id);
std::string writing_text_phrase(texts::TextId id);
std::string deleting_text_phrase(texts::TextId id);

}  // namespace orvane::cabinet
