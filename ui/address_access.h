// What the address book commands share: the lists the program opens at its
// start, the user's personal book, and the conversion of names between the
// code page they are kept in and the UTF-8 that people type and read.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "addressbook/book_file.h"
#include "addressbook/lookup.h"
#include "addressbook/visibility.h"
#include "ui/cabinet_access.h"

namespace orvane::ui {

class AddressAccess {
  public:
    explicit AddressAccess(CabinetAccess& access) : access_(access) {}
    ~AddressAccess();

    // Starts the program (which opens the lists), loads the user and opens
    // his personal book; reports what fails. False when the program could
    // not start.
    bool open();

    addressbook::Books books();
    // The lists, or nothing when they could not be opened (reported then).
    addressbook::BookFile* lists() { return lists_; }
    // The lists for a command that needs them; reports their absence.
    addressbook::BookFile* required_lists();
    // Nothing without a user (a cabinet named with --cabinet alone).
    addressbook::BookFile* personal() { return personal_ ? &*personal_ : nullptr; }
    settings::UserSettings* user() { return access_.user_settings(); }
    const settings::NodeTable& nodes() const { return access_.nodes(); }
    addressbook::Viewer viewer() const { return viewer_; }
    texts::NodeKey home_node() const { return access_.home_node(); }
    // The code page of the user's names.
    uint8_t charset() const { return charset_; }

    // A stored name for the terminal.
    std::string shown(std::string_view stored) const;
    // A typed name in the code page of the book; reports what cannot be.
    std::optional<std::string> typed(std::string_view utf8) const;
    // A node by letter, name or alias, or "@" for the personal book;
    // reports an unknown one.
    std::optional<texts::NodeKey> node(std::string_view given) const;

  private:
    CabinetAccess& access_;
    addressbook::BookFile* lists_ = nullptr;
    std::optional<addressbook::BookFile> personal_;
    addressbook::Viewer viewer_;
    uint8_t charset_ = 0;
};

}  // namespace orvane::ui
