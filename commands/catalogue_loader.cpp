#include "commands/catalogue_loader.h"

#include <cerrno>
#include <optional>

#include "platform/builtin_files.h"
#include "platform/directories.h"
#include "platform/file.h"

namespace orvane::commands {

using platform::MessageId;
using platform::Result;
using platform::Status;

namespace {

int read_catalogue_text(const std::string& path, platform::Env& env, std::string* text) {
    platform::File file(env);
    if (int error = file.open(path, platform::Access::Read, platform::Share::ReadWrite,
                              platform::Disposition::OpenExisting))
        return error;
    uint64_t size = 0;
    if (int error = file.size(&size)) return error;
    if (size > kMaxCatalogueSize) return EFBIG;
    text->resize(static_cast<size_t>(size));
    return file.read_at(0, text->data(), text->size());
}

// Renames a catalogue that cannot be read to a free "<path>.bak" name, so
// that writing the built-in one in its place loses nothing the user wrote.
// Gives the new name, or nothing when it could not be moved.
std::optional<std::string> keep_aside(const std::string& path, platform::Env& env) {
    for (int number = 1; number < 100; ++number) {
        const std::string kept = path + ".bak" + (number > 1 ? std::to_string(number) : "");
        if (platform::file_exists(kept)) continue;
        if (env.rename(path, kept) != 0) return std::nullopt;
        return kept;
    }
    return std::nullopt;
}

bool is_usable(const CatalogueFile& file) {
    return file.version > kOldestReplacedVersion;
}

// A menu text that the settings file can keep as a key.
bool can_be_key(const std::string& text) {
    return text.find('=') == std::string::npos && text.front() != '[' && text.front() != ';';
}

}  // namespace

Result<Catalogue> load_catalogue_file(const std::string& path,
                                      std::span<const unsigned char> builtin,
                                      platform::Policy& policy, platform::Env& env) {
    std::string text;
    if (!platform::file_exists(path)) {
        // A failure shows when the file is read.
        (void)platform::write_builtin_bytes(builtin, path, false);
    }
    const int read_error = read_catalogue_text(path, env, &text);
    if (read_error == 0) {
        CatalogueFile file = parse_catalogue(text);
        if (is_usable(file)) return Catalogue(std::move(file));
    } else if (read_error != ENOENT && read_error != EISDIR) {
        // Too large or unreadable: perhaps a catalogue the user edited.
        std::optional<std::string> kept = keep_aside(path, env);
        policy.notice(kept ? Status::message(MessageId::kCatalogueKeptAside, {path, *kept})
                           : Status::file(MessageId::kCannotReadFile, path, read_error));
        if (!kept) return Status::file(MessageId::kCannotReadFile, path, read_error);
    }

    int error = platform::write_builtin_bytes(builtin, path, true);
    if (error == 0) error = read_catalogue_text(path, env, &text);
    if (error == 0) return Catalogue(parse_catalogue(text));

    platform::BuiltinFile copy;
    if (!platform::parse_builtin_resource(builtin, &copy))
        return Status::file(MessageId::kCannotReadFile, path, EINVAL);
    policy.notice(Status::file(MessageId::kCannotWriteFile, path, error));
    return Catalogue(parse_catalogue(
        std::string_view(reinterpret_cast<const char*>(copy.payload.data()), copy.payload.size())));
}

Result<Catalogue> load_catalogue(const std::string& program_directory, platform::Policy& policy,
                                 platform::Env& env) {
    return load_catalogue_file(platform::join_path(program_directory, kCatalogueFile),
                               platform::builtin_resource(kCatalogueResource), policy, env);
}

Status apply_favourites(Catalogue& catalogue, settings::IniFile& user_file) {
    bool deleted = false;
    for (const std::string& key : user_file.keys(kFavouritesSection)) {
        if (const CatalogueLine* line = catalogue.find_command(key)) {
            catalogue.set_favourite(*line, true);
        } else {
            user_file.delete_key(kFavouritesSection, key);
            deleted = true;
        }
    }
    return deleted ? user_file.commit() : Status();
}

Status set_favourite(Catalogue& catalogue, const CatalogueLine& line, bool on,
                     settings::IniFile& user_file) {
    if (line.is_topic()) return Status::message(MessageId::kTopicNotCommand, {line.text});
    if (&line == &catalogue.manually() || !can_be_key(line.text))
        return Status::message(MessageId::kNoFavourite, {line.text});
    if (on) {
        user_file.put_string(kFavouritesSection, line.text, "");
    } else {
        user_file.delete_key(kFavouritesSection, line.text);
    }
    if (Status status = user_file.commit(); !status.ok()) return status;
    catalogue.set_favourite(line, on);
    return Status();
}

}  // namespace orvane::commands
