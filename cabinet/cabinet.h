// An open filing cabinet: the header, the box table, and the texts filed in
// the boxes, all records of one database file. Every operation that fails
// tells the user through the Ui and returns false or nothing; the cabinet
// stays open and usable.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cabinet/box_table.h"
#include "cabinet/header.h"
#include "cabinet/password.h"
#include "platform/ui.h"
#include "store/db.h"
#include "texts/text_record.h"

namespace orvane::cabinet {

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
    // Offer to create the cabinet when the file does not exist.
    bool offer_create = true;
    RecentPassword* recent_password = nullptr;
};

// What a repair found, for the caller that wants to know.
struct RepairReport {
    uint32_t texts = 0;
    uint32_t deleted_records = 0;
    uint32_t recreated_boxes = 0;
    std::vector<texts::TextId> missing;  // named by the old box lists, gone now
};

struct RepairOptions {
    bool ask = true;  // ask before repairing
    // The node to download missing texts from: its name for the question
    // and its key for the identifiers. Without a name no download is offered.
    std::string node_name;
};

class Cabinet {
  public:
    // Creates a new cabinet with its fixed boxes; fails when the file exists.
    static std::unique_ptr<Cabinet> create(const std::string& path, const CreateOptions& options,
                                           platform::Ui& ui);
    static std::unique_ptr<Cabinet> open(const std::string& path, const OpenOptions& options,
                                         platform::Ui& ui);

    // Writes back what changed and closes the file.
    ~Cabinet();
    Cabinet(const Cabinet&) = delete;
    Cabinet& operator=(const Cabinet&) = delete;

    const std::string& path() const { return path_; }
    bool read_only() const { return read_only_; }
    const CabinetHeader& header() const { return header_; }
    const BoxTable& boxes() const { return table_; }
    store::DbHandle db() const { return db_; }

    // Shows the read-only message and returns true when the cabinet cannot
    // be changed.
    bool refuse_if_read_only();

    // The next identifier for a text that exists only here.
    texts::TextId next_local_id();

    // --- Boxes ---
    // A new box or directory inside `parent`, after the entries it holds.
    std::optional<uint16_t> create_box(const std::string& name, uint16_t parent, bool directory);
    // Makes sure fixed box `number` exists, creating it with its default name.
    bool ensure_fixed_box(uint16_t number);
    bool rename_box(uint16_t number, const std::string& name);
    bool move_box(uint16_t number, uint16_t new_parent);
    // Deletes an empty box or directory the user made.
    bool delete_box(uint16_t number);
    // Texts in a box, from the length of its text list.
    std::optional<uint32_t> text_count(uint16_t box);

    // --- Box lists ---
    std::optional<BoxList> read_box_list(uint16_t box);
    // Writes both lists; an empty list deletes both records. Within a
    // FilingBatch the lists are written when the batch ends.
    bool write_box_list(uint16_t box, const BoxList& list);

    // --- Texts ---
    // Nothing when the text is not there, is damaged (and then deleted), or
    // cannot be read (the error shown).
    std::optional<texts::TextRecord> read_text(texts::TextId id, bool for_update = false);
    // Stores the text; one that is in no box any more is deleted for good.
    bool write_text(const texts::TextRecord& text);
    // Files `text` into `box` as well: the box lists it and the text names
    // the box. Refused for a directory and for a full box.
    bool file_text(texts::TextRecord& text, uint16_t box);
    // Takes the text out of `box`; a text left in no box is deleted for good.
    bool remove_from_box(texts::TextId id, uint16_t box);
    bool move_text(texts::TextId id, uint16_t from, uint16_t to);
    bool copy_text(texts::TextId id, uint16_t to);
    // Moves every text of `from` into `to`.
    bool move_all_texts(uint16_t from, uint16_t to);

    // --- Links ---
    // Adds the missing opposite link of every link in the cabinet; returns
    // the number added, or nothing when cancelled or failed.
    std::optional<uint32_t> link_comments();

    // --- Maintenance ---
    // Rebuilds the box table and lists from the texts. False when the
    // repair failed (the message shown) or the user said no.
    bool repair(const RepairOptions& options, RepairReport* report = nullptr);
    // Packs the database file, after asking when `ask` is set. False when
    // refused, declined, cancelled or failed.
    bool compact(bool ask = true);

    // Writes the header and changed parts of the box table.
    bool write_back();

    // Read calls made for texts since opening: one per text unless it is
    // longer than the first read.
    uint64_t text_reads() const { return text_reads_; }

    // Where the engine's progress reports go while a long operation runs.
    struct EngineProgress {
        platform::Progress* progress = nullptr;
    };

  private:
    Cabinet(std::string path, store::DbHandle db, std::shared_ptr<EngineProgress> engine_progress,
            platform::Ui& ui, bool read_only);

    void engine_error(const std::string& action, int32_t code);
    bool load(const OpenOptions& options);
    int32_t read_header();
    int32_t read_box_table(std::vector<BoxEntry>* entries, bool as_far_as_present);
    bool check_password(const OpenOptions& options);
    bool convert_old_format();
    bool add_entry(BoxEntry entry);
    bool delete_text_for_good(const texts::TextRecord& text);
    void unlink_deleted_text(const texts::TextRecord& text);
    bool add_to_list(uint16_t box, const texts::TextRecord& text);
    bool remove_from_list(uint16_t box, texts::TextId id);
    std::string box_name(uint16_t number) const;
    // The box list as the batch holds it, loaded on first use; null on error.
    BoxList* batch_list(uint16_t box);
    bool store_box_list(uint16_t box, const BoxList& list);
    bool begin_batch();
    bool end_batch();
    friend class FilingBatch;
    bool rebuild(platform::Progress* progress, RepairReport* report);
    // Puts "@down" commands for the missing texts in the Out-Basket.
    bool queue_download(const std::vector<texts::TextId>& missing);

    std::string path_;
    store::DbHandle db_;
    std::shared_ptr<EngineProgress> engine_progress_;
    platform::Ui& ui_;
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
};

// Many texts filed at once: holds the database lock and keeps the box lists
// in memory until it ends, so that each list is written once rather than
// once per text.
class FilingBatch {
  public:
    explicit FilingBatch(Cabinet& cabinet) : cabinet_(cabinet), held_(cabinet.begin_batch()) {}
    ~FilingBatch() { finish(); }
    FilingBatch(const FilingBatch&) = delete;
    FilingBatch& operator=(const FilingBatch&) = delete;

    // Writes the lists and lets the lock go; false when a write failed (the
    // error shown). Runs once.
    bool finish() {
        const bool held = held_;
        held_ = false;
        return !held || cabinet_.end_batch();
    }

  private:
    Cabinet& cabinet_;
    bool held_;
};

// The action phrases of engine errors.
std::string reading_text_phrase(texts::TextId id);
std::string writing_text_phrase(texts::TextId id);
std::string deleting_text_phrase(texts::TextId id);

}  // namespace orvane::cabinet
