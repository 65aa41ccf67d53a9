#include "settings/ini_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "platform/directories.h"
#include "platform/file.h"
#include "settings/ini_text.h"

namespace orvane::settings {

namespace {

// Each stored character takes at most two raw bytes (CR LF), so this much
// raw input always covers the characters that are kept.
constexpr size_t kRawReadLimit = 2 * kIniMaxCharacters;

// The file's bytes; a missing file reads as empty. Returns false when the
// file exists but cannot be read.
bool read_raw(const std::string& path, std::string* raw, platform::Env& env) {
    raw->clear();
    platform::File file(env);
    int error = file.open(path, platform::Access::Read, platform::Share::ReadWrite,
                          platform::Disposition::OpenExisting);
    if (error) return error == ENOENT || error == ENOTDIR;
    raw->resize(kRawReadLimit);
    size_t count = 0;
    if (file.read_some_at(0, raw->data(), raw->size(), &count)) return false;
    raw->resize(count);
    return true;
}

// Writes through a temporary file and a rename, so that a failure half-way
// never leaves a cut-off settings file behind. The new file keeps the
// permissions of the old one, which may hold a password.
int write_text(const std::string& path, const std::string& text, platform::Env& env) {
    std::string temporary = path + ".new";
    if (int error = platform::write_whole_file(temporary, text.data(), text.size(), env)) {
        (void)env.unlink(temporary);  // the write's error is the one to report
        return error;
    }
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0) ::chmod(temporary.c_str(), old.st_mode & 07777);
    if (int error = env.rename(temporary, path)) {
        (void)env.unlink(temporary);  // the rename's error is the one to report
        return error;
    }
    return 0;
}

}  // namespace

IniFile::IniFile(IniFile&& other) noexcept : cache_(other.cache_), entry_(other.entry_) {
    other.cache_ = nullptr;
    other.entry_ = nullptr;
}

IniFile& IniFile::operator=(IniFile&& other) noexcept {
    if (this != &other) {
        close();
        cache_ = other.cache_;
        entry_ = other.entry_;
        other.cache_ = nullptr;
        other.entry_ = nullptr;
    }
    return *this;
}

const std::string& IniFile::path() const {
    static const std::string kNone;
    return entry_ ? entry_->path : kNone;
}

const std::string& IniFile::text() {
    static const std::string kNone;
    if (!entry_) return kNone;
    if (!entry_->loaded) {
        std::string raw;
        // A file that is there but cannot be read is never written over.
        entry_->readable = read_raw(entry_->path, &raw, cache_->env_);
        entry_->text = normalise_ini_text(raw);
        entry_->loaded = true;
    }
    return entry_->text;
}

std::string IniFile::get_string(std::string_view section, std::string_view key,
                                std::string_view fallback, size_t max_length) {
    auto value = ini_value(text(), section, key, max_length);
    if (value) return *value;
    return std::string(fallback.substr(0, std::min(fallback.size(), max_length)));
}

bool IniFile::has_key(std::string_view section, std::string_view key) {
    return ini_value(text(), section, key, 0).has_value();
}

bool IniFile::has_section(std::string_view section) {
    return ini_has_section(text(), section);
}

std::vector<std::string> IniFile::keys(std::string_view section) {
    return ini_keys(text(), section);
}

void IniFile::put_string(std::string_view section, std::string_view key, std::string_view value) {
    if (!entry_) return;
    text();
    if (ini_set(&entry_->text, section, key, value)) entry_->dirty = true;
}

void IniFile::delete_key(std::string_view section, std::string_view key) {
    if (!entry_) return;
    text();
    if (ini_delete_key(&entry_->text, section, key)) entry_->dirty = true;
}

void IniFile::delete_section(std::string_view section) {
    if (!entry_) return;
    text();
    if (ini_delete_section(&entry_->text, section)) entry_->dirty = true;
}

platform::Status IniFile::commit() {
    if (!entry_ || !entry_->dirty || !entry_->loaded) return platform::Status();
    if (!entry_->readable)
        return platform::Status::file(platform::MessageId::kCannotReadFile, entry_->path, EIO);
    if (int error = write_text(entry_->path, entry_->text, cache_->env_))
        return platform::Status::file(platform::MessageId::kCannotWriteFile, entry_->path, error);
    entry_->dirty = false;
    return platform::Status();
}

IniFile IniFile::share() const {
    if (!entry_) return {};
    ++entry_->holders;
    return IniFile(cache_, entry_);
}

void IniFile::close() {
    if (!entry_) return;
    cache_->release(entry_);
    cache_ = nullptr;
    entry_ = nullptr;
}

IniFile IniCache::open(const std::string& directory, const std::string& name) {
    std::string path =
        !name.empty() && name[0] == '/' ? name : platform::join_path(directory, name);
    // Paths are compared exactly: on this system two spellings that differ
    // in case are two different files.
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const auto& e) { return e->path == path; });
    if (it == entries_.end()) {
        if (entries_.size() == entries_.capacity()) entries_.reserve(entries_.size() + 8);
        entries_.push_back(std::make_unique<IniFile::Entry>());
        entries_.back()->path = path;
        it = entries_.end() - 1;
    }
    ++(*it)->holders;
    return IniFile(this, it->get());
}

void IniCache::release(IniFile::Entry* entry) {
    if (--entry->holders > 0) return;
    // A holder that lets go without commit() has nobody left to tell.
    if (entry->dirty && entry->loaded && entry->readable)
        (void)write_text(entry->path, entry->text, env_);
    std::erase_if(entries_, [entry](const auto& e) { return e.get() == entry; });
}

}  // namespace orvane::settings
