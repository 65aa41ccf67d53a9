// The progress of a Zmodem transfer as the user sees it: the file name, its
// size, the bytes done, the percentage and the current block length, shown
// through the Policy at most a few times a second, and the user's request to
// stop.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/event_loop.h"
#include "platform/policy.h"

namespace orvane::connection::zmodem {

inline constexpr const char* kDownloadTitle = "Zmodem Download";
inline constexpr const char* kUploadTitle = "Zmodem Upload";

class TransferProgress {
  public:
    TransferProgress(platform::Policy& policy, std::string_view title, platform::EventLoop& loop);

    void begin_file(std::string name, uint64_t size);
    // Shows `done` bytes of the current file (at once when `now`); false once
    // the user asked to stop.
    [[nodiscard]] bool update(uint64_t done, size_t block_length, bool now = false);
    // Shows the file complete at `done` bytes, with the last block length.
    [[nodiscard]] bool show_file_done(uint64_t done) { return update(done, block_length_, true); }
    bool cancel_requested() const { return cancelled_; }

  private:
    std::unique_ptr<platform::Progress> progress_;
    platform::EventLoop& loop_;
    std::string name_;
    uint64_t size_ = 0;
    size_t block_length_ = 0;
    uint32_t last_shown_ = 0;
    bool shown_once_ = false;
    bool cancelled_ = false;
};

// "NAME  SIZE bytes  DONE done  P%  block B", the line under the progress bar.
std::string progress_line(std::string_view name, uint64_t size, uint64_t done, size_t block_length);

}  // namespace orvane::connection::zmodem
