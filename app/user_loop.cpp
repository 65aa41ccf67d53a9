// The loop over local users: select a user, open him, run the main loop,
// close him, and go round again while the program is not quitting.
#include <filesystem>
#include <utility>

#include "app/application.h"
#include "platform/directories.h"
#include "platform/file.h"

namespace orvane::app {

namespace {

constexpr int kEndProgram = -2;
constexpr int kUnlistedFolder = -1;
constexpr int kConnectCommand = 283;

std::string absolute_path(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    return platform::join_path(platform::current_directory(), path);
}

std::string folder_of(const std::string& path) {
    return std::filesystem::path(path).lexically_normal().parent_path().string();
}

}  // namespace

int Application::select_user() {
    if (!command_line_cabinet_.empty()) {
        return users_.find_folder(folder_of(absolute_path(command_line_cabinet_)));
    }
    if (first_user_ >= 0 && static_cast<size_t>(first_user_) < users_.users.size()) {
        return std::exchange(first_user_, -1);
    }
    if (!switch_user_) {
        int candidate = users_.users.size() == 1 ? 0 : users_.default_index;
        if (candidate >= 0 &&
            platform::directory_exists(users_.users[static_cast<size_t>(candidate)].folder)) {
            return candidate;
        }
    }
    switch_user_ = false;
    auto choice = chooser_ ? chooser_(users_) : std::nullopt;
    if (!choice || choice->index >= users_.users.size()) return kEndProgram;
    if (choice->make_default)
        tell(users_.set_default(common_.file(), static_cast<int>(choice->index),
                                program_directory_));
    return static_cast<int>(choice->index);
}

bool Application::open_user_at(int index) {
    auto session = std::make_unique<UserSession>();
    session->index = index;
    session->folder = index == kUnlistedFolder ? folder_of(absolute_path(command_line_cabinet_))
                                               : users_.users[static_cast<size_t>(index)].folder;
    if (platform::change_directory(session->folder) != 0) return false;
    if (!session->settings.load(ini_cache_, session->folder, program_directory_, version_gate_,
                                policy_)) {
        (void)platform::change_directory(program_directory_);
        return false;
    }
    const std::string& cabinet = session->settings.values.orvane.cabinet;
    session->cabinet = !command_line_cabinet_.empty() ? absolute_path(command_line_cabinet_)
                       : !cabinet.empty() && cabinet[0] == '/'
                           ? cabinet
                           : platform::join_path(session->folder, cabinet);
    session_ = std::move(session);
    if (!open_user_services(*this, *session_)) {
        close_user();
        return false;
    }
    if (user_opened_) user_opened_(*session_);
    show_pending_notices(session_->settings);
    if (session_->settings.values.login.auto_login) {
        loop_.post({platform::PostedMessage::kCommand, static_cast<uintptr_t>(kConnectCommand), 0});
    }
    return true;
}

void Application::show_pending_notices(settings::UserSettings& settings) {
    int& messages = settings.values.user.messages;
    if (messages & 1)
        policy_.notice(platform::Status::message(platform::MessageId::kPasswordChangedOnNode));
    if (messages & 2)
        policy_.notice(platform::Status::message(platform::MessageId::kExcludedForWrongPassword));
    messages = 0;
}

void Application::close_user() {
    if (!session_) return;
    close_user_services(*this, *session_);
    settings::UserSettings& settings = session_->settings;
    tell(settings.commit());
    if (session_->index >= 0) {
        // The list shows the user as his settings now stand.
        settings::UserEntry& entry = users_.users[static_cast<size_t>(session_->index)];
        const settings::UserKeys& user = settings.values.user;
        entry.name = user.name;
        entry.node = user.node;
        entry.batch_mode = static_cast<uint32_t>(settings.values.login.batch_session);
        if (user.name.empty() || user.password.empty())
            entry.batch_mode &= ~settings::kBatchModeNeedsLogin;
        users_.write_line(common_.file(), static_cast<size_t>(session_->index), program_directory_);
    }
    tell(common_.commit());
    settings.close();
    session_.reset();
    (void)platform::change_directory(program_directory_);
    if (!quit_) loop_exit_ = false;
}

void Application::run_user_loop() {
    while (!quit_) {
        int selected = select_user();
        if (selected == kEndProgram) break;
        loop_exit_ = false;
        if (open_user_at(selected)) {
            run_message_loop();
            close_user();
        } else {
            switch_user_ = true;  // the selection is shown again
        }
        if (pending_new_user_) {
            add_user_now(*pending_new_user_);
            pending_new_user_.reset();
        }
        command_line_cabinet_.clear();
        if (users_.users.size() > 1) {
            switch_user_ = true;
            continue;
        }
        if (!switch_user_) break;
    }
}

}  // namespace orvane::app
