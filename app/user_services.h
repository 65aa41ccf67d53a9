// The parts of an open user that other subsystems own: the address book,
// the filing cabinet and what runs when they open. The start-up calls these
// at their places in its order; they are filled in as those subsystems join.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "addressbook/book_file.h"
#include "cabinet/cabinet.h"
#include "settings/user_settings.h"

namespace orvane::app {

class Application;

// An open user: his folder, settings and the cabinet to open.
struct UserSession {
    int index = -1;  // in the users list; -1 for a folder that is not listed
    std::string folder;
    settings::UserSettings settings;
    std::string cabinet;                               // full path of the filing cabinet to open
    std::unique_ptr<cabinet::Cabinet> filing_cabinet;  // open from user open to user close
    cabinet::RecentPassword recent_password;
    std::optional<addressbook::BookFile> personal_book;  // open with the user, when it can be
};

// At start-up, after the common settings: the address-book lists that all
// users share.
void open_shared_services(Application& application);
void close_shared_services(Application& application);

// After the user's settings are loaded, in this order: open the personal
// address book and the filing cabinet, file the news files
// (pending_news_files), run the start-up import, unpack the files of section
// "Unzip", refresh the address-book status. Returns false when the user
// cannot be opened: so far, when the filing cabinet cannot be (the user
// opens without his personal address book when that cannot be opened).
bool open_user_services(Application& application, UserSession& session);
// Closes what open_user_services opened, before the settings are saved.
void close_user_services(Application& application, UserSession& session);

}  // namespace orvane::app
