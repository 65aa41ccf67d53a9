// The main message loop and the one-second tick.
#include "app/application.h"

namespace orvane::app {

void Application::run_message_loop() {
    // The loop runs callbacks until the user is closed; it only stops by
    // itself when it was told to quit, and then the program ends.
    if (!loop_.wait_for([this] { return loop_exit_; }, std::nullopt)) request_quit();
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
