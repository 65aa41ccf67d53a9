#include "connection/telnet_connect.h"

#include "connection/tcp_connect.h"
#include "platform/resource_strings.h"

namespace orvane::connection {

using platform::Answer;
using platform::MessageId;
using platform::Question;
using platform::Result;
using platform::Status;

platform::Task<Result<std::unique_ptr<TelnetConnection>>> connect_telnet(platform::EventLoop& loop,
                                                                         ConnectRequest request,
                                                                         platform::Policy& policy) {
    auto endpoint = settings::parse_endpoint(request.endpoint);
    if (!endpoint) co_return Status::message(MessageId::kIsInvalid, {request.endpoint});
    for (;;) {
        Status failure;
        {
            auto progress = policy.progress(platform::format_message(
                platform::resource_string(MessageId::kConnectingTo), {request.endpoint}));
            auto connected = co_await connect_tcp(loop, *endpoint, request.endpoint,
                                                  request.connect_limit_ms, progress.get());
            if (connected.ok()) {
                co_return std::make_unique<TelnetConnection>(loop, connected->fd, request.endpoint,
                                                             connected->address, request.telnet);
            }
            failure = connected.take_status();
        }
        Question question;
        question.buttons = platform::Buttons::YesNo;
        question.safe = Answer::No;
        if (failure.is_cancelled()) {
            question.id = MessageId::kTryAgain;
        } else {
            question.id = MessageId::kCannotConnect;
            question.args = {request.server_name, request.server_name};
        }
        if (policy.decide(question) != Answer::Yes) co_return failure;
    }
}

}  // namespace orvane::connection
