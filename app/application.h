// The frame of the program: start-up in its order, the loop over local
// users, the main message loop with its one-second tick, and shutdown.
// Everything runs on one thread, driven by the event loop.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "addressbook/book_file.h"
#include "app/auto_save.h"
#include "app/user_services.h"
#include "platform/env.h"
#include "platform/event_loop.h"
#include "platform/policy.h"
#include "platform/single_instance.h"
#include "settings/common_settings.h"
#include "settings/ini_file.h"
#include "settings/local_users.h"
#include "settings/node_table.h"
#include "settings/settings_version.h"
#include "settings/users_list.h"

namespace orvane::app {

// The command that the tick sends while a modal dialog runs.
inline constexpr int kModalTickCommand = 388;

struct StartOptions {
    std::string program_directory;
    // A filing cabinet given on the command line: it is opened for the
    // first user, in the folder that holds it.
    std::string command_line_cabinet;
};

// The user's choice in the user selection.
struct UserChoice {
    size_t index = 0;
    bool make_default = false;  // open this user at start from now on
};
// Asks which user to open; nothing means the user chose to end the program.
using UserChooser = std::function<std::optional<UserChoice>(const settings::UsersList&)>;

enum class RunResult {
    Ok,
    AlreadyRunning,  // another copy holds the program directory
    Refused,         // the settings could not or may not be loaded
};

class Application {
  public:
    // Questions and notices go to `policy`; the loop, the settings files and
    // the cabinets use `env`.
    Application(platform::Policy& policy, UserChooser chooser,
                platform::Env& env = platform::system_env());
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The whole run: start, the user loop, shutdown.
    RunResult run(const StartOptions& options);
    // Takes the program directory for this copy of the program, then
    // initialises. Tools that only change settings start this way too, so
    // that they never write behind the back of a running program.
    RunResult start(const StartOptions& options);

    // Application initialisation, before any user is chosen: node
    // information, common settings (false when refused), users list.
    bool initialise(const StartOptions& options);
    // Repeats select user, open user, message loop, close user until the
    // program quits.
    void run_user_loop();
    // Saves the common settings and lets everything go; runs once.
    void shutdown();

    // Opens the user `index` in the first round of the user loop, without
    // asking (as the front end's own choice, such as a user named on its
    // command line).
    void set_first_user(size_t index) { first_user_ = static_cast<int>(index); }

    // Requests from other parts.
    void request_quit();
    void request_user_switch();
    // Adds a new user: at once when no user is open, else when the open
    // user is closed. Returns the new user's index, or -1 (also when the
    // request is postponed).
    int request_new_user(const settings::NewUserRequest& request);

    // The one-second tick at tick count `now`.
    void tick(uint32_t now);
    // Handlers for posted messages the frame does not handle itself (such
    // as the next step of the batch session).
    void set_message_handler(platform::PostedMessage id,
                             platform::EventLoop::MessageCallback handler);
    // Called once per second while it is set (the connection's poll).
    void set_per_second_poll(std::function<void()> poll) { per_second_poll_ = std::move(poll); }
    // Told when a user has been opened: where a front end shows the user's
    // main window.
    void set_user_opened(std::function<void(UserSession&)> notify) {
        user_opened_ = std::move(notify);
    }
    // While a modal dialog runs, the tick only sends kModalTickCommand here.
    void set_modal_dialog(std::function<void(int command)> receiver) {
        modal_receiver_ = std::move(receiver);
    }

    platform::Policy& policy() { return policy_; }
    platform::Env& env() { return env_; }
    platform::EventLoop& loop() { return loop_; }
    AutoSave& auto_save() { return auto_save_; }
    settings::IniCache& ini_cache() { return ini_cache_; }
    const settings::NodeTable& nodes() const { return nodes_; }
    settings::CommonSettings& common() { return common_; }
    settings::UsersList& users() { return users_; }
    settings::UserPlaces& places() { return *places_; }
    settings::VersionGate& version_gate() { return version_gate_; }
    const std::string& program_directory() const { return program_directory_; }
    // The open user, or null.
    UserSession* open_user() { return session_.get(); }
    // The address-book lists all users share, while they are open.
    std::optional<addressbook::BookFile>& address_lists() { return address_lists_; }
    bool quitting() const { return quit_; }

  private:
    // -1: the user chose to end; otherwise the user's index, or kUnlisted
    // for the folder of a command-line cabinet that is not in the list.
    int select_user();
    bool open_user_at(int index);
    void show_pending_notices(settings::UserSettings& settings);
    void run_message_loop();
    void close_user();
    int add_user_now(const settings::NewUserRequest& request);

    platform::Policy& policy_;
    platform::Env& env_;
    UserChooser chooser_;
    platform::EventLoop loop_;
    platform::EventLoop::Registration tick_;
    platform::SingleInstance instance_;
    settings::IniCache ini_cache_;
    settings::VersionGate version_gate_;
    settings::NodeTable nodes_;
    settings::CommonSettings common_;
    settings::UsersList users_;
    std::unique_ptr<settings::UserPlaces> places_;
    std::optional<addressbook::BookFile> address_lists_;
    std::unique_ptr<UserSession> session_;
    AutoSave auto_save_;
    std::map<platform::PostedMessage, platform::EventLoop::Registration> handlers_;
    std::function<void()> per_second_poll_;
    std::function<void(int)> modal_receiver_;
    std::function<void(UserSession&)> user_opened_;
    std::optional<settings::NewUserRequest> pending_new_user_;

    std::string program_directory_;
    std::string command_line_cabinet_;
    int first_user_ = -1;
    bool initialised_ = false;
    bool quit_ = false;
    bool loop_exit_ = false;
    bool switch_user_ = false;
};

}  // namespace orvane::app
