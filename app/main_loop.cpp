// The main message loop and the one-second tick.
#include "app/application.h"
#include "platform/clock.h"

namespace orvane::app {

void Application::run_message_loop() {
    platform::Message message;
    while (!loop_exit_) {
        if (!loop_.get_message(&message)) {
            // The event loop itself was told to stop: the program ends.
            request_quit();
            break;
        }
        loop_.dispatch(message);
    }
}

void Application::handle_message(const platform::Message& message) {
    if (message.id == platform::kTimerMessage && message.wparam == kTickTimer) {
        tick(platform::tick_count());
        return;
    }
    auto handler = handlers_.find(message.id);
    if (handler != handlers_.end()) handler->second(message);
}

void Application::tick(uint32_t now) {
    if (modal_receiver_) {
        modal_receiver_(kModalTickCommand);
        return;
    }
    if (session_) auto_save_.run(now, session_->settings.values.options.auto_save_interval);
    if (per_second_poll_) per_second_poll_();
}

}  // namespace orvane::app
