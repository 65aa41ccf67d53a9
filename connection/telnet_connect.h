// Connecting to a node: the TCP connection to the chosen endpoint, and, when
// it fails, the question whether to try again (through the caller's Policy,
// so an unattended run takes the safe answer and never blocks).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "connection/telnet_connection.h"
#include "platform/policy.h"
#include "platform/task.h"

namespace orvane::connection {

struct ConnectRequest {
    // The endpoint as given: host[:port], default port 23.
    std::string endpoint;
    // The node's name, for the question after a failure.
    std::string server_name;
    TelnetSettings telnet;
    // Longest wait for one address to answer.
    uint32_t connect_limit_ms = 30000;
};

// Connects, asking after each failure whether to try again: "Cannot connect
// to ..." after a failure, "Try again?" after the user cancelled. Gives up
// with the failure's status (or cancelled) when the answer is No.
platform::Task<platform::Result<std::unique_ptr<TelnetConnection>>> connect_telnet(
    platform::EventLoop& loop, ConnectRequest request, platform::Policy& policy);

}  // namespace orvane::connection
