#include "app/address_books.h"

#include <cerrno>

#include "addressbook/book_file.h"
#include "addressbook/name_resolution.h"
#include "addressbook/report_watchers.h"
#include "app/application.h"
#include "platform/directories.h"

namespace orvane::app {

namespace {

std::optional<addressbook::BookFile> open_book(Application& application, const std::string& path,
                                               bool shared) {
    auto book = addressbook::BookFile::open(path, shared, application.policy(), application.env());
    if (book.ok()) return std::move(*book);
    // A cancelled wait for another program's lock needs no more words.
    if (!book.status().is_cancelled()) application.policy().notice(book.status());
    return std::nullopt;
}

void close_book(Application& application, std::optional<addressbook::BookFile>& book) {
    if (!book) return;
    if (platform::Status closed = book->close(); !closed.ok()) application.policy().notice(closed);
    book.reset();
}

}  // namespace

void open_address_lists(Application& application) {
    application.address_lists() =
        open_book(application,
                  platform::join_path(application.program_directory(), addressbook::kListsFileName),
                  application.common().values.share_address_book != 0);
}

void close_address_lists(Application& application) {
    close_book(application, application.address_lists());
}

void open_personal_book(Application& application, UserSession& session) {
    session.personal_book = open_book(
        application, platform::join_path(session.folder, addressbook::kPersonalFileName), false);
}

void close_personal_book(Application& application, UserSession& session) {
    close_book(application, session.personal_book);
}

addressbook::Books open_books(Application& application, UserSession* session) {
    addressbook::Books books;
    if (application.address_lists()) books.lists = &*application.address_lists();
    if (session && session->personal_book) books.personal = &*session->personal_book;
    return books;
}

platform::Result<addressbook::ListImportOutcome> import_address_list_file(
    Application& application, settings::UserSettings* user, const std::string& user_folder,
    const std::string& path, bool keep_file) {
    if (!application.address_lists())
        return platform::Status::file(
            platform::MessageId::kCannotOpenFile,
            platform::join_path(application.program_directory(), addressbook::kListsFileName),
            ENOENT);
    addressbook::ListImportContext import(*application.address_lists(), application.nodes(),
                                          application.policy(), application.env());
    import.user = user;
    import.user_directory = user_folder;
    import.watchers = addressbook::load_report_watchers(application.users(), user, user_folder);
    import.keep_file = keep_file;
    return addressbook::import_address_list(path, import);
}

addressbook::Viewer viewer_of(const settings::UserSettings& user) {
    addressbook::Viewer viewer;
    viewer.node = static_cast<texts::NodeKey>(user.values.user.node);
    viewer.object = static_cast<uint16_t>(user.values.user.object & addressbook::kObjectNumberMask);
    viewer.memberships = user.values.memberships;
    return viewer;
}

ReceiverLookup receiver_lookup(addressbook::Books books, const settings::UserSettings& user) {
    const addressbook::Viewer viewer = viewer_of(user);
    return
        [books, viewer](const std::string& typed, bool conference) -> platform::Result<Receiver> {
            if (typed.find('@') != std::string::npos) return Receiver{typed, 0};
            using namespace addressbook;
            LookupRequest request;
            request.text = typed;
            request.search_nodes = std::string(1, static_cast<char>(viewer.node));
            request.mask = conference ? type_mask::kConferences : type_mask::kPersons;
            if (!conference && books.personal) {
                request.mask |= type_mask::kPersonal;
                request.search_nodes.push_back(static_cast<char>(kPersonalNode));
            }
            platform::Result<ResolvedName> found = resolve_name(books, request, viewer);
            if (found.ok()) {
                const AddressObject& object = found->object;
                return Receiver{object.type == kPersonalEntry ? object.address : object.name,
                                object.type};
            }
            if (found.status().id() == platform::MessageId::kNoAddressFound) {
                platform::Result<bool> known = books.lists ? books.lists->has_objects(viewer.node)
                                                           : platform::Result<bool>(false);
                if (known.ok() && !*known) return Receiver{typed, 0};
            }
            return found.take_status();
        };
}

}  // namespace orvane::app
