#include "platform/system.h"

#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "platform/clock.h"
#include "platform/directories.h"
#include "platform/file.h"

extern char** environ;

namespace orvane::platform {

namespace {

// The dark palette, by system-colour number.
constexpr uint32_t kDarkPalette[30] = {
    0xAAAAAA, 0xA56E3A, 0x6A240A, 0x383838, 0x555555, 0x171717, 0x000000, 0xFFFFFF,
    0xFFFFFF, 0xFFFFFF, 0x555555, 0x555555, 0x383838, 0xD17841, 0xFFFFFF, 0x555555,
    0x383838, 0x555555, 0xFFFFFF, 0xC8D0D4, 0xAAAAAA, 0x404040, 0x555555, 0x00FFFF,
    0x808080, 0xFFFF00, 0xF0CAA6, 0xC0C0C0, 0x6A240A, 0xC8D0D4,
};

// The usual light system colours, by the same numbers.
constexpr uint32_t kLightPalette[31] = {
    0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
    0x000000, 0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xD77800, 0xFFFFFF, 0xF0F0F0,
    0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
    0xE1FFFF, 0x000000, 0xCC6600, 0xEAD1B9, 0xF2E4D7, 0xD77800, 0xF0F0F0,
};

// Standard terminal colour numbers 0-15: which of them are light.
bool light_terminal_colour(int number) {
    return number == 7 || (number >= 9 && number <= 15);
}

bool ends_with(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

bool spawn_detached(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
    // The file manager outlives this call; reap it if it ends quickly, so it
    // leaves no zombie behind while we run.
    int status = 0;
    waitpid(pid, &status, WNOHANG);
    return true;
}

std::string trash_directory() {
    if (auto data = environment("XDG_DATA_HOME"); data && !data->empty())
        return join_path(*data, "Trash");
    if (auto home = environment("HOME"); home && !home->empty())
        return join_path(*home, ".local/share/Trash");
    return {};
}

std::string percent_encode_path(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        if (isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

}  // namespace

uint32_t pack_version_word(unsigned major, unsigned minor, unsigned build) {
    return (major & 0xFF) | (minor & 0xFF) << 8 | (build & 0x7FFF) << 16;
}

uint32_t system_version_word() {
    static const uint32_t word = [] {
        utsname name{};
        if (uname(&name) != 0) return 0u;
        unsigned major = 0, minor = 0, patch = 0;
        std::sscanf(name.release, "%u.%u.%u", &major, &minor, &patch);
        return pack_version_word(major, minor, patch);
    }();
    return word;
}

int decide_theme_mode(std::string_view colorfgbg, std::string_view gtk_theme,
                      std::string_view orvane_theme) {
    // COLORFGBG is "fg;bg" (sometimes "fg;default;bg"): light text on a dark
    // background means the terminal is dark already.
    size_t first = colorfgbg.find(';');
    size_t last = colorfgbg.rfind(';');
    if (first != std::string_view::npos) {
        int fg = std::atoi(std::string(colorfgbg.substr(0, first)).c_str());
        int bg = std::atoi(std::string(colorfgbg.substr(last + 1)).c_str());
        if (light_terminal_colour(fg) && !light_terminal_colour(bg)) return kThemeSystemDark;
    }
    if (orvane_theme == "dark" || ends_with(gtk_theme, ":dark")) return kThemeDark;
    return kThemeLight;
}

int theme_mode() {
    static const int mode = decide_theme_mode(environment("COLORFGBG").value_or(""),
                                              environment("GTK_THEME").value_or(""),
                                              environment("ORVANE_THEME").value_or(""));
    return mode;
}

uint32_t system_colour(int index, int mode) {
    if (mode == kThemeDark && index >= 0 && index < 30) return kDarkPalette[index];
    if (index >= 0 && index < 31) return kLightPalette[index];
    return 0;
}

uint32_t system_colour(int index) {
    return system_colour(index, theme_mode());
}

Rect work_area() {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
        return {0, 0, size.ws_col, size.ws_row};
    }
    return {0, 0, 80, 24};
}

bool show_in_file_manager(const std::string& directory, const std::string& file) {
    // xdg-open cannot select a file; it opens the folder that holds it.
    (void)file;
    return spawn_detached({"xdg-open", directory.empty() ? "." : directory});
}

bool delete_to_trash(const std::string& path) {
    std::string trash = trash_directory();
    if (!trash.empty() && file_exists(path) && make_directories(join_path(trash, "files")) == 0 &&
        make_directories(join_path(trash, "info")) == 0) {
        std::string base = path.substr(path.find_last_of('/') + 1);
        std::string name = base;
        for (int n = 2; file_exists(join_path(trash, "files/" + name)) ||
                        file_exists(join_path(trash, "info/" + name + ".trashinfo"));
             ++n) {
            name = base + "." + std::to_string(n);
        }
        std::string absolute = path.front() == '/' ? path : join_path(current_directory(), path);
        std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        char date[32];
        std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
        std::string info =
            "[Trash Info]\nPath=" + percent_encode_path(absolute) + "\nDeletionDate=" + date + "\n";
        std::string info_path = join_path(trash, "info/" + name + ".trashinfo");
        if (write_whole_file(info_path, info.data(), info.size()) == 0 &&
            std::rename(path.c_str(), join_path(trash, "files/" + name).c_str()) != 0) {
            std::remove(info_path.c_str());  // the move failed: no orphan entry
        }
    }
    std::remove(path.c_str());
    return true;
}

int prepare_print_output(Ui& ui, std::string_view output, std::string* file) {
    file->clear();
    if (output != "FILE:") return 0;
    auto chosen = ui.choose_file("Print to File", "", FileChoice::Save);
    if (!chosen || chosen->empty()) return -3;
    *file = chosen->substr(0, 256);
    return 0;
}

}  // namespace orvane::platform
