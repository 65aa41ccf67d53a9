// orvane settings get|set|list: the keys of the user's or the common
// settings file as the program uses them.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "platform/directories.h"
#include "platform/file.h"
#include "settings/ini_values.h"
#include "settings/settings_editor.h"
#include "ui/program_start.h"

namespace orvane::ui {

namespace {

struct SettingOptions {
    std::string section;
    std::string key;
    std::string value;
    bool common = false;
    bool raw = false;
    bool force = false;
    bool changed = false;
};

// The user's or the common file, held while a command works on it.
struct OpenSettings {
    settings::IniFile user_file;
    std::optional<settings::SettingsPlace> place;
};

bool open_settings(app::Application& application, CliContext& context, bool common,
                   OpenSettings* open) {
    const std::string& program = application.program_directory();
    if (common) {
        open->place.emplace(settings::SettingsPlace{application.common().file(),
                                                    settings::SettingsFileKind::kCommon,
                                                    {program, {}},
                                                    application.env().now_utc()});
        return true;
    }
    auto index = chosen_user(application, context.user);
    if (!index) return false;
    const std::string& folder = application.users().users[*index].folder;
    if (!platform::directory_exists(folder)) {
        print_error("the folder of this user is missing: " + folder);
        return false;
    }
    open->user_file = application.ini_cache().open(folder, settings::kSettingsFile);
    if (!succeeded(open->user_file.read_status())) return false;
    open->place.emplace(settings::SettingsPlace{open->user_file,
                                                settings::SettingsFileKind::kUser,
                                                {program, folder},
                                                application.env().now_utc()});
    return true;
}

// Passwords are shown as stars; `--raw` shows their scrambled stored form.
std::string shown_value(const settings::ShownSetting& setting) {
    if (setting.rule && setting.rule->type == settings::KeyType::kPassword)
        return std::string(setting.value.size(), '*');
    return setting.value;
}

// One line for a listing: line breaks of free text as stored.
std::string one_line(const std::string& text) {
    return settings::text_to_setting(text);
}

void print_note(const settings::ShownSetting& setting) {
    if (!setting.rule) {
        print_error("note: \"" + setting.key + "\" is not a key of [" + setting.section +
                    "] that orvane reads; this is the text as stored");
    } else if (!setting.note.empty()) {
        print_error("note: [" + setting.section + "] \"" + setting.key + "\" is stored as '" +
                    setting.stored_text + "', which " + setting.note + "; orvane uses '" +
                    one_line(shown_value(setting)) + "'");
    }
}

std::string setting_json(const settings::ShownSetting& setting) {
    std::string json = "{\"section\": " + json_quote(setting.section) +
                       ", \"key\": " + json_quote(setting.key) +
                       ", \"value\": " + json_quote(shown_value(setting)) +
                       ", \"default\": " + json_quote(setting.fallback) +
                       ", \"stored\": " + (setting.stored ? "true" : "false") +
                       ", \"known\": " + (setting.rule ? "true" : "false");
    if (!setting.note.empty()) json += ", \"note\": " + json_quote(setting.note);
    return json + "}";
}

int run_get(CliContext& context, const SettingOptions& options) {
    app::Application application(context.ui, no_chooser());
    if (!start_program(application, context)) return 1;
    OpenSettings open;
    if (!open_settings(application, context, options.common, &open)) return 1;
    platform::Result<settings::ShownSetting> found =
        settings::find_setting(*open.place, options.section, options.key);
    if (!succeeded(found.status())) return 1;
    const settings::ShownSetting& setting = *found;
    if (options.raw) {
        if (!setting.stored) {
            succeeded(
                platform::Status::message(platform::MessageId::kSettingNotStored,
                                          {setting.key, setting.section, open.place->file.path()}));
            return 1;
        }
        std::printf("%s\n", setting.stored_text.c_str());
        return 0;
    }
    if (context.json) {
        std::printf("%s\n", setting_json(setting).c_str());
        return 0;
    }
    print_note(setting);
    std::printf("%s\n", shown_value(setting).c_str());
    return 0;
}

int run_set(CliContext& context, const SettingOptions& options) {
    app::Application application(context.ui, no_chooser());
    if (!start_program(application, context)) return 1;
    OpenSettings open;
    if (!open_settings(application, context, options.common, &open)) return 1;
    platform::Status changed = settings::change_setting(*open.place, options.section, options.key,
                                                        options.value, options.force);
    if (succeeded(changed)) return 0;
    switch (changed.id()) {
        case platform::MessageId::kUnknownSetting:
        case platform::MessageId::kSettingKeptByProgram:
            print_error("--force writes it as it is");
            return 2;
        case platform::MessageId::kSettingRefused:
        case platform::MessageId::kSettingNotStorable:
            return 2;
        default:
            return 1;  // the file could not be written
    }
}

void print_section_list(const std::vector<settings::ShownSetting>& list) {
    std::string section;
    for (const auto& setting : list) {
        if (setting.section != section) {
            section = setting.section;
            std::printf("[%s]\n", section.c_str());
        }
        std::string value = one_line(shown_value(setting));
        std::string state = !setting.stored ? "default"
                            : setting.value == setting.fallback
                                ? "stored"
                                : "stored, default " + one_line(setting.fallback);
        if (!setting.note.empty())
            state += "; stored as '" + setting.stored_text + "', which " + setting.note;
        std::printf("  %-24s = %-20s  (%s)\n", setting.key.c_str(), value.c_str(), state.c_str());
    }
}

int run_list(CliContext& context, const SettingOptions& options) {
    app::Application application(context.ui, no_chooser());
    if (!start_program(application, context)) return 1;
    OpenSettings open;
    if (!open_settings(application, context, options.common, &open)) return 1;
    std::optional<std::string_view> section;
    if (!options.section.empty()) section = options.section;
    std::vector<settings::ShownSetting> list = settings::list_settings(*open.place, section);
    if (section && list.empty()) {
        print_error("orvane reads no section [" + options.section + "] from this file");
        return 1;
    }
    if (options.changed) {
        std::erase_if(list, [](const settings::ShownSetting& setting) {
            return !setting.stored || setting.value == setting.fallback;
        });
    }
    if (context.json) {
        std::printf("[");
        for (size_t i = 0; i < list.size(); ++i)
            std::printf("%s%s", i ? ",\n " : "", setting_json(list[i]).c_str());
        std::printf("]\n");
        return 0;
    }
    print_section_list(list);
    return 0;
}

}  // namespace

void add_settings_commands(CLI::App& app, CliContext& context) {
    auto* settings_command = app.add_subcommand(
        "settings", "Show or change the settings of the user (or the common settings)");
    settings_command->require_subcommand(1);

    auto get_options = std::make_shared<SettingOptions>();
    auto* get = settings_command->add_subcommand(
        "get",
        "Print the value orvane uses for a key (a note on stderr when the stored text "
        "is not a proper value)");
    get->add_option("section", get_options->section)->required();
    get->add_option("key", get_options->key)->required();
    get->add_flag("--common", get_options->common, "Use the common settings file");
    get->add_flag("--raw", get_options->raw, "Print the text as stored");
    get->callback([&context, get_options] { context.exit_code = run_get(context, *get_options); });

    auto set_options = std::make_shared<SettingOptions>();
    auto* set = settings_command->add_subcommand(
        "set", "Change a key; values the key does not take are refused");
    set->add_option("section", set_options->section)->required();
    set->add_option("key", set_options->key)->required();
    set->add_option("value", set_options->value)->required();
    set->add_flag("--common", set_options->common, "Use the common settings file");
    set->add_flag("--force", set_options->force,
                  "Write the value as it is, also for keys orvane does not read");
    set->callback([&context, set_options] { context.exit_code = run_set(context, *set_options); });

    auto list_options = std::make_shared<SettingOptions>();
    auto* list = settings_command->add_subcommand(
        "list",
        "List every key orvane reads, with its value, its default and whether it is stored");
    list->add_option("section", list_options->section, "Only this section");
    list->add_flag("--common", list_options->common, "Use the common settings file");
    list->add_flag("--changed", list_options->changed,
                   "Only the keys stored with a value other than the default");
    list->callback(
        [&context, list_options] { context.exit_code = run_list(context, *list_options); });
}

}  // namespace orvane::ui
