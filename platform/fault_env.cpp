#include "platform/fault_env.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace orvane::platform {

void FaultEnv::arm(uint64_t index, Fault fault, std::string path_part) {
    armed_ = true;
    counting_ = true;
    fired_ = false;
    target_index_ = index;
    fault_ = fault;
    operations_ = 0;
    path_part_ = std::move(path_part);
}

void FaultEnv::count_only(std::string path_part) {
    armed_ = false;
    counting_ = true;
    fired_ = false;
    operations_ = 0;
    path_part_ = std::move(path_part);
}

void FaultEnv::disarm() {
    armed_ = false;
    counting_ = false;
}

FaultEnv::Verdict FaultEnv::count(const std::string& path, bool write) {
    if (power_off_) return Verdict::kFail;
    if (!counting_ || path.find(path_part_) == std::string::npos) return Verdict::kPass;
    const uint64_t index = operations_++;
    if (!armed_ || index != target_index_) return Verdict::kPass;
    fired_ = true;
    switch (fault_) {
        case Fault::kFail:
            return Verdict::kFail;
        case Fault::kTear:
            return write ? Verdict::kTear : Verdict::kFail;
        case Fault::kPowerCut:
            power_off_ = true;
            return Verdict::kFail;
    }
    return Verdict::kFail;
}

uint64_t FaultEnv::size_of(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

int FaultEnv::remember(int fd, uint64_t offset, size_t length) {
    auto path = paths_.find(fd);
    if (path == paths_.end()) return 0;
    Undo undo;
    undo.offset = offset;
    undo.size_before = size_of(fd);
    if (offset < undo.size_before) {
        undo.bytes.resize(
            static_cast<size_t>(std::min<uint64_t>(length, undo.size_before - offset)));
        size_t got = 0;
        if (int error = target().pread(fd, undo.bytes.data(), undo.bytes.size(), offset, &got))
            return error;
        undo.bytes.resize(got);
    }
    undo_[path->second].push_back(std::move(undo));
    return 0;
}

int FaultEnv::open(const std::string& path, int flags, int mode, int* fd) {
    const bool creates = (flags & O_CREAT) && ::access(path.c_str(), F_OK) != 0;
    if ((creates || (flags & O_TRUNC)) && power_off_) return EIO;
    if (int error = target().open(path, flags, mode, fd)) return error;
    paths_[*fd] = path;
    // A file made since the last flush is empty after a power cut.
    if (creates) undo_[path].push_back(Undo{0, {}, 0});
    return 0;
}

void FaultEnv::close(int fd) {
    paths_.erase(fd);
    target().close(fd);
}

int FaultEnv::pwrite(int fd, const void* buffer, size_t length, uint64_t offset, size_t* done) {
    *done = 0;
    auto path = paths_.find(fd);
    const Verdict verdict = count(path == paths_.end() ? std::string() : path->second, true);
    if (verdict == Verdict::kFail) return EIO;
    if (int error = remember(fd, offset, length)) return error;
    if (verdict == Verdict::kTear) {
        size_t written = 0;
        (void)target().pwrite(fd, buffer, length / 2, offset, &written);  // torn: fails anyway
        return EIO;
    }
    return target().pwrite(fd, buffer, length, offset, done);
}

int FaultEnv::fsync(int fd) {
    auto path = paths_.find(fd);
    const std::string name = path == paths_.end() ? std::string() : path->second;
    if (count(name, false) != Verdict::kPass) return EIO;
    if (int error = target().fsync(fd)) return error;
    undo_.erase(name);
    return 0;
}

int FaultEnv::ftruncate(int fd, uint64_t size) {
    auto path = paths_.find(fd);
    if (count(path == paths_.end() ? std::string() : path->second, false) != Verdict::kPass)
        return EIO;
    const uint64_t before = size_of(fd);
    if (size < before) {
        if (int error = remember(fd, size, static_cast<size_t>(before - size))) return error;
    } else if (path != paths_.end()) {
        undo_[path->second].push_back(Undo{before, {}, before});
    }
    return target().ftruncate(fd, size);
}

int FaultEnv::rename(const std::string& from, const std::string& to) {
    if (count(to, false) != Verdict::kPass) return EIO;
    if (int error = target().rename(from, to)) return error;
    undo_.erase(to);
    auto moved = undo_.find(from);
    if (moved != undo_.end()) {
        undo_[to] = std::move(moved->second);
        undo_.erase(from);
    }
    for (auto& [fd, path] : paths_)
        if (path == from) path = to;
    return 0;
}

int FaultEnv::unlink(const std::string& path) {
    if (count(path, false) != Verdict::kPass) return EIO;
    if (int error = target().unlink(path)) return error;
    undo_.erase(path);
    return 0;
}

int FaultEnv::drop_unsynced(const std::string& keep_path, size_t kept_changes) {
    power_off_ = false;
    disarm();
    int result = 0;
    for (auto& [path, undos] : undo_) {
        const size_t kept = path == keep_path ? std::min(kept_changes, undos.size()) : 0;
        if (kept == undos.size()) continue;
        int fd = -1;
        if (target().open(path, O_WRONLY | O_CLOEXEC, 0644, &fd) != 0) continue;  // gone since
        for (auto undo = undos.rbegin(); undo != undos.rend() - static_cast<long>(kept); ++undo) {
            size_t done = 0;
            if (!undo->bytes.empty()) {
                if (int error = target().pwrite(fd, undo->bytes.data(), undo->bytes.size(),
                                                undo->offset, &done))
                    result = error;
            }
            if (int error = target().ftruncate(fd, undo->size_before)) result = error;
        }
        target().close(fd);
    }
    undo_.clear();
    return result;
}

}  // namespace orvane::platform
