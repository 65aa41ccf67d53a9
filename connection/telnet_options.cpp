#include "connection/telnet_options.h"

#include "connection/telnet_protocol.h"

namespace orvane::connection {

namespace {

bool accepted_silently(uint8_t option) {
    return option == telnet::kBinary || option == telnet::kSuppressGoAhead;
}

}  // namespace

OptionAnswer answer_option(const OptionRequest& request, bool tls_possible) {
    OptionAnswer answer;
    switch (request.verb) {
        case telnet::kWill:
            if (accepted_silently(request.option)) break;
            if (request.option == telnet::kEcho) {
                answer.echo = EchoChange::kLocalEchoOff;
                break;
            }
            answer.reply = OptionRequest{telnet::kDont, request.option};
            break;
        case telnet::kWont:
            if (request.option == telnet::kEcho) answer.echo = EchoChange::kLocalEchoOn;
            break;
        case telnet::kDo:
            if (accepted_silently(request.option)) break;
            if (request.option == telnet::kStartTls && tls_possible) {
                answer.reply = OptionRequest{telnet::kWill, telnet::kStartTls};
                answer.start_tls = true;
                break;
            }
            answer.reply = OptionRequest{telnet::kWont, request.option};
            break;
        default:  // DONT: nothing to answer
            break;
    }
    return answer;
}

std::vector<uint8_t> client_option_offers(bool local_echo_setting) {
    std::vector<uint8_t> offers;
    append_telnet_command(&offers, telnet::kWill, telnet::kSuppressGoAhead);
    append_telnet_command(&offers, telnet::kDo, telnet::kSuppressGoAhead);
    append_telnet_command(&offers, telnet::kWill, telnet::kBinary);
    append_telnet_command(&offers, telnet::kDo, telnet::kBinary);
    if (!local_echo_setting) append_telnet_command(&offers, telnet::kDo, telnet::kEcho);
    return offers;
}

}  // namespace orvane::connection
