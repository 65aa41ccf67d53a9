#include "app/user_services.h"

#include "app/address_books.h"
#include "app/application.h"
#include "app/user_cabinet.h"

namespace orvane::app {

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
    return true;
}

void close_user_services(Application& application, UserSession& session) {
    close_personal_book(application, session);
    if (platform::Status closed = close_user_cabinet(session); !closed.ok())
        application.policy().notice(closed);
}

}  // namespace orvane::app
