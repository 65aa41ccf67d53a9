// A group of changes to one address book file, kept whole or not at all: an
// import of an address list or of a CSV file, or one added or deleted entry.
//
// The group is one lock period of the database: other processes never see
// it half done, and the engine's journal puts the file back as it was when
// the period does not finish (a crash, a power cut, a failed write). The
// word index is brought in step with the objects at the end of the group,
// and the node's serial is raised in the same period, so it never covers
// objects that are not stored.
#pragma once

#include <optional>

#include "addressbook/book_file.h"
#include "addressbook/word_index.h"

namespace orvane::addressbook {

class WriteBatch {
  public:
    // Starts a group that changes objects of `book`.
    static platform::Result<WriteBatch> begin(BookFile& book);

    WriteBatch(WriteBatch&& other) noexcept;
    WriteBatch& operator=(WriteBatch&&) = delete;
    // A group that was not committed is undone.
    ~WriteBatch();

    // Stores `object` in place of `stored` (nothing: a new object).
    platform::Status store(const AddressObject& object, const std::optional<AddressObject>& stored);
    // Removes a stored object.
    platform::Status remove(const AddressObject& stored);
    // At the commit `node`'s serial becomes `serial`, unless a higher one is
    // stored already.
    void raise_serial(NodeKey node, int32_t serial) { serial_ = {node, serial}; }

    platform::Status commit();

  private:
    explicit WriteBatch(BookFile& book) : book_(&book) {}
    platform::Status fail(int32_t code);

    BookFile* book_;
    bool open_ = false;
    WordIndexChanges words_;
    std::optional<std::pair<NodeKey, int32_t>> serial_;
};

}  // namespace orvane::addressbook
