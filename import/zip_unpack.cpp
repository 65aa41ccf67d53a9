#include "import/zip_unpack.h"

#include <sys/statvfs.h>

#include <cerrno>
#include <vector>

#include "import/byte_source.h"
#include "import/text_body.h"
#include "platform/file.h"
#include "texts/ascii.h"

namespace orvane::import {

using platform::MessageId;
using platform::Result;
using platform::Status;

namespace {

constexpr size_t kMaxExtension = 8;

// The member's extension when it is letters and digits only.
std::string plain_extension(const std::string& member_name) {
    const std::string_view name = file_name_of(member_name);
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == name.size()) return ".dmp";
    const std::string_view extension = name.substr(dot + 1);
    if (extension.size() > kMaxExtension) return ".dmp";
    for (char c : extension)
        if (!texts::is_alnum(c)) return ".dmp";
    return "." + std::string(extension);
}

std::string without_extension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
    return path.substr(0, dot);
}

std::string folder_of(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

Status no_space(const std::string& member, uint64_t size, uint64_t free) {
    return Status::message(MessageId::kZipNoSpace,
                           {member, std::to_string(size), std::to_string(free)});
}

}  // namespace

uint64_t free_space(const std::string& folder) {
    struct statvfs info {};
    if (statvfs(folder.c_str(), &info) != 0) return UINT64_MAX;
    return static_cast<uint64_t>(info.f_bavail) * info.f_frsize;
}

Result<std::string> unpack_first_member(const std::string& zip_path, const std::string& target,
                                        platform::Env& env) {
    FileLayer file;
    if (const int error = file.open(zip_path, 0, env))
        return Status::file(MessageId::kCannotOpenFile, zip_path, error);
    BufferedInput archive(file);
    ZipMember member;
    Result<ZipNext> next = open_next_member(archive, &member);
    if (!next.ok()) return next.take_status();
    if (*next != ZipNext::kMember) return Status::message(MessageId::kZipTruncated, {zip_path});

    const std::string path =
        target.empty() ? without_extension(zip_path) + plain_extension(member.name) : target;
    if (platform::file_exists(path)) return Status::file(MessageId::kCannotWriteFile, path, EEXIST);
    const uint64_t free = free_space(folder_of(path));
    if (!member.sizes_follow && member.uncompressed_size > free)
        return no_space(member.name, member.uncompressed_size, free);

    // Written beside the target and renamed at the end, so that a failure
    // or a kill never leaves half a file under the final name.
    const std::string partial = path + ".part";
    platform::File out(env);
    if (const int error = out.open(partial, platform::Access::ReadWrite, platform::Share::None,
                                   platform::Disposition::CreateAlways))
        return Status::file(MessageId::kCannotWriteFile, partial, error);
    ZipMemberLayer layer(archive, member);
    std::vector<uint8_t> buffer(64 * 1024);
    uint64_t written = 0;
    Status status;
    for (;;) {
        const size_t count = layer.read(buffer.data(), buffer.size(), &status);
        if (count == 0) break;
        if (written + count > free) {
            status = no_space(member.name, written + count, free);
            break;
        }
        if (const int error = out.write_at(written, buffer.data(), count)) {
            status = Status::file(MessageId::kCannotWriteFile, partial, error);
            break;
        }
        written += count;
    }
    if (status.ok()) {
        if (const int error = out.flush())
            status = Status::file(MessageId::kCannotWriteFile, partial, error);
    }
    out.close();
    if (status.ok()) {
        if (const int error = env.rename(partial, path))
            status = Status::file(MessageId::kCannotWriteFile, path, error);
    }
    if (!status.ok()) {
        (void)env.unlink(partial);  // the unpacking's own error is the one to report
        return status;
    }
    return path;
}

}  // namespace orvane::import
