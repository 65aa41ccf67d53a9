// What the cabinet, box and text commands share: the cabinet they work on
// (--cabinet, or the main cabinet of the chosen user), and how the command
// line names boxes and texts.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/application.h"
#include "cabinet/cabinet.h"
#include "settings/user_settings.h"
#include "texts/dates.h"
#include "ui/cli.h"

namespace orvane::ui {

class CabinetAccess {
  public:
    explicit CabinetAccess(CliContext& context);
    ~CabinetAccess();

    // Finds the cabinet file and opens it; reports why it cannot. A missing
    // cabinet is offered to be created only where `may_create` (never by a
    // command that only lists), and without a terminal the safe answer for
    // a file named with --cabinet is No: a typing mistake makes nothing.
    bool open(bool may_create = true);
    // The file of the cabinet without opening it (for `cabinet create`).
    std::optional<std::string> path();

    cabinet::Cabinet& cabinet() { return *cabinet_; }
    // The program as started by path() or open(), and the command's context.
    app::Application& application() { return application_; }
    CliContext& context() { return context_; }
    const settings::NodeTable& nodes() const { return application_.nodes(); }
    // The user's home node, when a user was loaded.
    texts::NodeKey home_node() const { return home_node_; }
    std::string home_node_name() const;
    bool remove_re() const { return remove_re_; }
    texts::TimeDisplay time_display() const { return time_display_; }

    // A box by number or by name (without regard to case); reports an
    // unknown one.
    std::optional<uint16_t> box(const std::string& given);
    // A text by its written form ("123", "TELVA:123", "K:123"); reports an
    // unknown one.
    std::optional<texts::TextRecord> text(const std::string& given);
    std::string text_id(texts::TextId id) const;

    // The user's settings and folder; nullptr and empty when the cabinet was
    // named with --cabinet alone.
    settings::UserSettings* user_settings() { return settings_loaded_ ? &settings_ : nullptr; }
    const std::string& user_folder() const { return user_folder_; }

  private:
    bool load_user();

    CliContext& context_;
    app::Application application_;
    settings::UserSettings settings_;
    bool settings_loaded_ = false;
    bool started_ = false;
    std::string path_;
    std::string user_folder_;
    bool compression_ = true;
    cabinet::IndexOptions index_options_;
    texts::NodeKey home_node_ = 0;
    bool remove_re_ = false;
    texts::TimeDisplay time_display_ = texts::TimeDisplay::utc;
    cabinet::RecentPassword recent_password_;
    std::unique_ptr<cabinet::Cabinet> cabinet_;
};

}  // namespace orvane::ui
