// The INI engine: every settings file is held wholly in memory, shared by
// all who open it (one cache entry per path, with a count of holders), read
// whole on first use. Changes reach the disk only through commit(), whose
// status says whether they did; a holder that lets go of a changed file
// without committing abandons the changes (the other holders keep them).
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/env.h"
#include "platform/status.h"

namespace orvane::settings {

class IniCache;

// A holder of one cached file. Move-only; closing (or destroying) it gives
// up the hold.
class IniFile {
  public:
    IniFile() = default;
    ~IniFile() { close(); }
    IniFile(IniFile&& other) noexcept;
    IniFile& operator=(IniFile&& other) noexcept;
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    bool is_open() const { return entry_ != nullptr; }
    const std::string& path() const;

    // The value (at most `max_length` characters), or `fallback` when the
    // section or key is missing.
    std::string get_string(std::string_view section, std::string_view key,
                           std::string_view fallback = {}, size_t max_length = 1023);
    // The value as it stands in the file, quotes and all.
    std::optional<std::string> get_raw(std::string_view section, std::string_view key);
    bool has_key(std::string_view section, std::string_view key);
    bool has_section(std::string_view section);
    std::vector<std::string> keys(std::string_view section);

    // Changes the held text; commit() writes it. Line breaks in the value
    // become blanks, and names that a file cannot hold change nothing:
    // callers that take names and values from outside check them first
    // with storable().
    void put_string(std::string_view section, std::string_view key, std::string_view value);
    void delete_key(std::string_view section, std::string_view key);
    void delete_section(std::string_view section);

    // Whether `value` can be stored under `key` in `section` so that it
    // reads back unchanged; the refusal says why.
    [[nodiscard]] static platform::Status storable(std::string_view section, std::string_view key,
                                                   std::string_view value);

    // Writes the file now when it changed, so that the caller learns whether
    // the change reached the disk. A file that exists but could not be read
    // is never written over.
    [[nodiscard]] platform::Status commit();
    // Success, or why the file exists but could not be read (it then reads
    // as empty and is never written over).
    [[nodiscard]] platform::Status read_status();

    // A second holder of the same file.
    IniFile share() const;
    void close();

  private:
    friend class IniCache;
    // One cached file: its text, loaded on first use.
    struct Entry {
        std::string path;
        int holders = 0;
        bool loaded = false;
        int read_error = 0;  // the file exists but could not be read
        bool dirty = false;
        std::string text;
    };
    IniFile(IniCache* cache, Entry* entry) : cache_(cache), entry_(entry) {}
    const std::string& text();

    IniCache* cache_ = nullptr;
    Entry* entry_ = nullptr;
};

class IniCache {
  public:
    explicit IniCache(platform::Env& env = platform::system_env()) : env_(env) {}
    // Every holder must be closed before the cache goes.
    ~IniCache() = default;
    IniCache(const IniCache&) = delete;
    IniCache& operator=(const IniCache&) = delete;

    // Holds the file `name` in `directory` (an absolute `name` stands for
    // itself). The file is not read yet.
    IniFile open(const std::string& directory, const std::string& name);

    // Files currently held.
    size_t size() const { return entries_.size(); }
    platform::Env& env() { return env_; }

  private:
    friend class IniFile;
    void release(IniFile::Entry* entry);

    platform::Env& env_;
    std::vector<std::unique_ptr<IniFile::Entry>> entries_;
};

}  // namespace orvane::settings
