#include "app/user_services.h"

namespace orvane::app {

void open_shared_services(Application&) {}
void close_shared_services(Application&) {}

bool open_user_services(Application&, UserSession&) {
    return true;
}
void close_user_services(Application&, UserSession&) {}

}  // namespace orvane::app
