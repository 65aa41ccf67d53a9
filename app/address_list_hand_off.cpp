#include "app/address_list_hand_off.h"

#include "addressbook/list_import.h"
#include "addressbook/report_watchers.h"
#include "app/application.h"

namespace orvane::app {

platform::Status AddressListHandOff::import_address_list(const std::string& path) {
    std::optional<addressbook::BookFile>& lists = application_.address_lists();
    if (!lists) return NoAddressBook::import_address_list(path);
    addressbook::ListImportContext context(*lists, application_.nodes(), application_.policy(),
                                           application_.env());
    context.user = user_;
    context.user_directory = user_folder_;
    context.watchers = addressbook::load_report_watchers(application_.users(), user_, user_folder_);
    platform::Result<addressbook::ListImportOutcome> outcome =
        addressbook::import_address_list(path, context);
    if (!outcome.ok()) return outcome.take_status();
    // A list the user stopped keeps its file; so does the import.
    if (outcome->aborted) return platform::Status::cancelled();
    return platform::Status();
}

}  // namespace orvane::app
