// The client's side of option negotiation: what it answers to each request
// of the server, and the offers it makes itself once the login begins.
//
// The client agrees to binary mode and to suppressing go-ahead in both
// directions, lets the server echo (which turns local echo off), takes up
// START_TLS when it may, and refuses every other option.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "connection/telnet_parser.h"

namespace orvane::connection {

enum class EchoChange { kNone, kLocalEchoOff, kLocalEchoOn };

struct OptionAnswer {
    // IAC verb option to send back, if any.
    std::optional<OptionRequest> reply;
    EchoChange echo = EchoChange::kNone;
    // The reply is WILL START_TLS: once it is sent, the TLS handshake begins.
    bool start_tls = false;
};

// The answer to `request`. `tls_possible`: the client may switch to TLS now
// (allowed by the settings, a TLS context exists, and TLS is not running or
// starting already).
OptionAnswer answer_option(const OptionRequest& request, bool tls_possible);

// The client's own offers, sent once per connection: WILL and DO suppress
// go-ahead, WILL and DO binary, and DO ECHO when the user does not want local
// echo.
std::vector<uint8_t> client_option_offers(bool local_echo_setting);

}  // namespace orvane::connection
