#include "app/address_request.h"

#include "app/outgoing.h"
#include "packet/compose.h"

namespace orvane::app {

platform::Result<texts::TextId> request_address_book(cabinet::Cabinet& cabinet,
                                                     const settings::UserSettings& user,
                                                     platform::Env& env) {
    const auto now = static_cast<uint32_t>(env.now_utc());
    return store_new_item(cabinet, [&](texts::TextId id) -> platform::Result<texts::TextRecord> {
        texts::TextRecord text =
            packet::compose_command(id, now, writer_for(user), {kAddressRequestCommand});
        text.subject = kAddressRequestSubject;
        return text;
    });
}

}  // namespace orvane::app
