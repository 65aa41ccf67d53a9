// Opening the TCP connection to an endpoint without blocking the loop: the
// host is resolved with getaddrinfo (IPv4 and IPv6), and its addresses are
// tried in turn with a non-blocking connect whose completion comes as the
// loop's connect event. Each attempt has a time limit, and the user may
// cancel through the progress display.
#pragma once

#include <cstdint>
#include <string>

#include "platform/event_loop.h"
#include "platform/policy.h"
#include "platform/status.h"
#include "platform/task.h"
#include "settings/node_table.h"

namespace orvane::connection {

struct ConnectedSocket {
    int fd = -1;
    // The address connected to, followed by ":port" when the port is not
    // 23 ("192.0.2.7:2323", "[2001:db8::7]:2323").
    std::string address;
};

// Connects to `endpoint`, `limit_ms` at most per address. `progress` (may be
// null) is asked every 100 ms whether the user wants to stop. Fails with
// the reason (kCannotConnectBecause, with `endpoint_text`), or cancelled.
platform::Task<platform::Result<ConnectedSocket>> connect_tcp(platform::EventLoop& loop,
                                                              settings::Endpoint endpoint,
                                                              std::string endpoint_text,
                                                              uint32_t limit_ms,
                                                              platform::Progress* progress);

}  // namespace orvane::connection
