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

// A settings file larger than this is not one of ours; it is never read,
// and so never written over.
constexpr uint64_t kLargestSettingsFile = 16 << 20;

// Reads the whole file; a missing file reads as empty. Returns 0 or the
// error that kept an existing file from being read.
int read_raw(const std::string& path, std::string* raw, platform::Env& env) {
    raw->clear();
    platform::File file(env);
    int error = file.open(path, platform::Access::Read, platform::Share::ReadWrite,
                          platform::Disposition::OpenExisting);
    if (error) return error == ENOENT || error == ENOTDIR ? 0 : error;
    uint64_t size = 0;
    if (int failed = file.size(&size)) return failed;
    if (size > kLargestSettingsFile) return EFBIG;
    // One byte more than the size, to see a file that grew meanwhile.
    raw->resize(static_cast<size_t>(size) + 1);
    size_t count = 0;
    for (;;) {
        size_t got = 0;
        if (int failed = file.read_some_at(count, raw->data() + count, raw->size() - count, &got))
            return failed;
        count += got;
        if (count < raw->size()) break;
        if (raw->size() > kLargestSettingsFile) return EFBIG;
        raw->resize(raw->size() * 2);
    }
    raw->resize(count);
    return 0;
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
        entry_->read_error = read_raw(entry_->path, &raw, cache_->env_);
        if (entry_->read_error) raw.clear();
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

std::optional<std::string> IniFile::get_raw(std::string_view section, std::string_view key) {
    return ini_raw_value(text(), section, key);
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

platform::Status IniFile::storable(std::string_view section, std::string_view key,
                                   std::string_view value) {
    std::string reason = ini_unstorable_reason(section, key, value);
    if (reason.empty()) return platform::Status();
    return platform::Status::message(platform::MessageId::kSettingNotStorable,
                                     {std::string(key), std::string(section), reason});
}

platform::Status IniFile::read_status() {
    text();
    if (!entry_ || !entry_->read_error) return platform::Status();
    return platform::Status::file(platform::MessageId::kCannotReadFile, entry_->path,
                                  entry_->read_error);
}

platform::Status IniFile::commit() {
    if (!entry_ || !entry_->dirty || !entry_->loaded) return platform::Status();
    if (entry_->read_error) return read_status();
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
    std::erase_if(entries_, [entry](const auto& e) { return e.get() == entry; });
}

}  // namespace orvane::settings
