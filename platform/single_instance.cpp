#include "platform/single_instance.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>

#include "platform/directories.h"

namespace orvane::platform {

namespace {

constexpr const char* kLockFile = "orvane.lock";
constexpr size_t kLongestProcessId = 20;

}  // namespace

int SingleInstance::acquire(const std::string& directory) {
    if (int error = lock_.open(join_path(directory, kLockFile), Access::ReadWrite, Share::None,
                               Disposition::OpenAlways))
        return error;
    // Only for the message of a copy that waits: without it, that copy
    // says it waits for an unknown process.
    std::string id = std::to_string(::getpid()) + "\n";
    if (lock_.set_size(0) == 0) (void)lock_.write_at(0, id.data(), id.size());
    return 0;
}

std::string SingleInstance::holder(const std::string& directory) {
    int fd = -1;
    if (env_.open(join_path(directory, kLockFile), O_RDONLY | O_CLOEXEC, 0, &fd) != 0)
        return "unknown";
    char buffer[kLongestProcessId + 1] = {};
    size_t done = 0;
    int error = env_.pread(fd, buffer, kLongestProcessId, 0, &done);
    env_.close(fd);
    std::string id;
    for (size_t i = 0; !error && i < done && std::isdigit(static_cast<unsigned char>(buffer[i]));
         ++i)
        id += buffer[i];
    return id.empty() ? "unknown" : id;
}

Status SingleInstance::acquire_waiting(const std::string& directory, Policy& policy,
                                       uint32_t limit_ms) {
    const uint32_t start = env_.tick_count();
    bool told = false;
    for (;;) {
        int error = acquire(directory);
        if (error != kInUse) return Status();
        uint32_t waited = env_.tick_count() - start;
        if (waited >= limit_ms)
            return Status::message(MessageId::kOtherRunHoldsDirectory,
                                   {holder(directory), directory});
        if (!told && waited >= kNoticeAfterMs) {
            policy.notice(
                Status::message(MessageId::kWaitingForOtherRun, {holder(directory), directory}));
            told = true;
        }
        env_.sleep_ms(kRetryMs);
    }
}

}  // namespace orvane::platform
