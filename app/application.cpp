#include "app/application.h"

#include <filesystem>

#include "platform/directories.h"
#include "platform/file.h"

namespace orvane::app {

namespace {

// Absolute, so that it still names the same folder after a user's folder
// has become the current directory.
std::string absolute_directory(const std::string& directory) {
    std::string path = !directory.empty() && directory[0] == '/'
                           ? directory
                           : platform::join_path(platform::current_directory(), directory);
    return settings::without_trailing_separator(
        std::filesystem::path(path).lexically_normal().string());
}

}  // namespace

Application::Application(platform::Policy& policy, UserChooser chooser, platform::Env& env)
    : policy_(policy),
      env_(env),
      chooser_(std::move(chooser)),
      loop_(env),
      instance_(env),
      ini_cache_(env) {}

Application::~Application() {
    shutdown();
}

RunResult Application::run(const StartOptions& options) {
    RunResult result = start(options);
    if (result != RunResult::Ok) return result;
    run_user_loop();
    shutdown();
    return RunResult::Ok;
}

RunResult Application::start(const StartOptions& options) {
    platform::Status held = instance_.acquire_waiting(absolute_directory(options.program_directory),
                                                      policy_, options.wait_for_other_ms);
    if (!held.ok()) {
        policy_.notice(held);
        return RunResult::AlreadyRunning;
    }
    if (!initialise(options)) {
        shutdown();
        instance_.release();
        return RunResult::Refused;
    }
    return RunResult::Ok;
}

bool Application::initialise(const StartOptions& options) {
    program_directory_ = absolute_directory(options.program_directory);
    // An argument that starts with "-" is an option, never a cabinet.
    if (!options.command_line_cabinet.empty() && options.command_line_cabinet[0] != '-') {
        command_line_cabinet_ = options.command_line_cabinet;
    }
    tick_ = loop_.on_tick([this](uint32_t now) { tick(now); });
    initialised_ = true;

    nodes_ = settings::load_node_information(ini_cache_, program_directory_);
    if (!common_.load(ini_cache_, program_directory_, nodes_, version_gate_, policy_)) return false;
    places_ = std::make_unique<settings::UserPlaces>(
        settings::UserPlaces{ini_cache_, common_.file(), program_directory_});
    open_shared_services(*this);
    users_.load(common_.file(), ini_cache_, program_directory_);
    platform::Status common = common_.file().read_status();
    if (common.ok()) common = common_.file().commit();
    tell(common);
    return true;
}

void Application::shutdown() {
    if (!initialised_) return;
    initialised_ = false;
    if (session_) close_user();
    close_shared_services(*this);
    tick_.cancel();
    tell(common_.commit());
    common_.close();
    places_.reset();
    users_ = settings::UsersList{};
    nodes_ = settings::NodeTable{};
    instance_.release();
}

void Application::request_quit() {
    quit_ = true;
    loop_exit_ = true;
}

void Application::request_user_switch() {
    switch_user_ = true;
    loop_exit_ = true;
}

int Application::request_new_user(const settings::NewUserRequest& request) {
    if (session_) {
        pending_new_user_ = request;
        return -1;
    }
    return add_user_now(request);
}

int Application::add_user_now(const settings::NewUserRequest& request) {
    if (!places_) return -1;
    platform::Result<int> index =
        settings::create_user(*places_, users_, request, version_gate_, policy_);
    if (!index.ok()) {
        policy_.notice(index.status());
        return -1;
    }
    return *index;
}

platform::Result<size_t> Application::choose_user(std::string_view given) const {
    return users_.choose_user(given,
                              platform::join_path(program_directory_, settings::kUsersDirectory));
}

void Application::tell(const platform::Status& status) {
    if (!status.ok()) policy_.notice(status);
}

void Application::set_message_handler(platform::PostedMessage id,
                                      platform::EventLoop::MessageCallback handler) {
    handlers_[id] = loop_.on_message(id, std::move(handler));
}

}  // namespace orvane::app
