// The address book as the import sees it: the address-list files found
// among the imported files go to the node address lists that the program
// holds open. Names in imported texts still stay as the server wrote them.
#pragma once

#include <string>

#include "import/address_book_port.h"
#include "settings/user_settings.h"

namespace orvane::app {

class Application;

class AddressListHandOff : public import::NoAddressBook {
  public:
    // `user` (may be null) is the open user, whose own entry a list may
    // update; `user_folder` his folder.
    AddressListHandOff(Application& application, settings::UserSettings* user,
                       std::string user_folder)
        : application_(application), user_(user), user_folder_(std::move(user_folder)) {}

    // Imports the list into the open address lists, which delete the file
    // once it is read; without open lists the file is refused and kept.
    platform::Status import_address_list(const std::string& path) override;

  private:
    Application& application_;
    settings::UserSettings* user_;
    std::string user_folder_;
};

}  // namespace orvane::app
