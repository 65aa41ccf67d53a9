// The address books as the running program holds them: the lists of the
// network's nodes, opened at start-up once for all users (shared with other
// processes when the common setting "Share Address Book" is on), and the
// user's personal book, opened with the user and closed with him. A book
// that cannot be opened is told about and the program goes on without it.
#pragma once

#include <string>

#include "addressbook/list_import.h"
#include "addressbook/lookup.h"
#include "addressbook/visibility.h"
#include "app/new_items.h"
#include "settings/user_settings.h"

namespace orvane::app {

class Application;
struct UserSession;

void open_address_lists(Application& application);
void close_address_lists(Application& application);
void open_personal_book(Application& application, UserSession& session);
void close_personal_book(Application& application, UserSession& session);

// The books open now; the personal one only with a session.
addressbook::Books open_books(Application& application, UserSession* session);

// Imports an address list file that came from a node (or that the user
// names) into the lists: the open user's own entry updates `user` (may be
// null), and every local user who watches the node gets the change report.
// The file is deleted after a successful import unless `keep_file`.
platform::Result<addressbook::ListImportOutcome> import_address_list_file(
    Application& application, settings::UserSettings* user, const std::string& user_folder,
    const std::string& path, bool keep_file = false);

// The user as the address book sees him.
addressbook::Viewer viewer_of(const settings::UserSettings& user);

// Looks up typed receivers of new items: persons on the user's home node
// and entries of his personal book, or for a conference text conferences
// on his home node. An Internet address is taken as typed, and so is every
// name while the home node's address book is empty: there is nothing yet to
// check it against. A personal entry is written as its Internet address.
ReceiverLookup receiver_lookup(addressbook::Books books, const settings::UserSettings& user);

}  // namespace orvane::app
