#include "app/user_services.h"

#include "app/application.h"
#include "app/user_cabinet.h"

namespace orvane::app {

void open_shared_services(Application&) {}
void close_shared_services(Application&) {}

bool open_user_services(Application& application, UserSession& session) {
    if (!open_user_cabinet(session, application.ui())) return false;
    deliver_news_files(session, application.program_directory(), application.ui());
    return true;
}
void close_user_services(Application&, UserSession& session) {
    close_user_cabinet(session);
}

}  // namespace orvane::app
