#include "app/user_services.h"

#include "app/address_books.h"
#include "app/address_list_hand_off.h"
#include "app/application.h"
#include "app/incoming.h"
#include "app/user_cabinet.h"

namespace orvane::app {

namespace {

// What earlier sessions left to import, then (with "Auto-Import") the
// files of the import folder.
void run_start_imports(Application& application, UserSession& session) {
    cabinet::Cabinet* cabinet = session.filing_cabinet.get();
    if (!cabinet || cabinet->read_only()) return;
    AddressListHandOff book(application, &session.settings, session.folder);
    std::vector<import::ImportMode> modes{import::ImportMode::kAtStart};
    if (session.settings.values.options.auto_import)
        modes.push_back(import::ImportMode::kImportDir);
    for (import::ImportMode mode : modes) {
        UserImport request;
        request.mode = mode;
        const import::ImportOutcome outcome =
            run_user_import(*cabinet, application.nodes(), book, session.settings, session.folder,
                            request, application.policy(), application.env());
        if (!outcome.error.ok()) application.policy().notice(outcome.error);
        if (outcome.aborted || !outcome.error.ok()) break;
    }
}

}  // namespace

void open_shared_services(Application& application) {
    open_address_lists(application);
}

void close_shared_services(Application& application) {
    close_address_lists(application);
}

bool open_user_services(Application& application, UserSession& session) {
    open_personal_book(application, session);
    platform::Status opened = open_user_cabinet(session, application.policy(), application.env());
    if (!opened.ok()) {
        application.policy().notice(opened);
        return false;
    }
    // News that cannot be filed are told about; the user still opens.
    if (platform::Status news =
            deliver_news_files(session, application.program_directory(), application.env());
        !news.ok())
        application.policy().notice(news);
    run_start_imports(application, session);
    return true;
}

void close_user_services(Application& application, UserSession& session) {
    close_personal_book(application, session);
    if (platform::Status closed = close_user_cabinet(session); !closed.ok())
        application.policy().notice(closed);
}

}  // namespace orvane::app
