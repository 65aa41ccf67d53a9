#include "connection/transfer_progress.h"

#include "platform/clock.h"
#include "platform/message_format.h"

namespace orvane::connection::zmodem {

namespace {
constexpr uint32_t kShowEveryMs = 200;
}

TransferProgress::TransferProgress(platform::Policy& policy, std::string_view title,
                                   platform::EventLoop& loop)
    : progress_(policy.progress(title)), loop_(loop) {}

void TransferProgress::begin_file(std::string name, uint64_t size) {
    name_ = std::move(name);
    size_ = size;
    shown_once_ = false;
}

bool TransferProgress::update(uint64_t done, size_t block_length, bool now) {
    block_length_ = block_length;
    const uint32_t time = loop_.now();
    if (!now && shown_once_ && !platform::tick_reached(time, last_shown_ + kShowEveryMs))
        return !cancelled_;
    shown_once_ = true;
    last_shown_ = time;
    if (progress_ &&
        !progress_->update(done, size_, progress_line(name_, size_, done, block_length)))
        cancelled_ = true;
    return !cancelled_;
}

std::string progress_line(std::string_view name, uint64_t size, uint64_t done,
                          size_t block_length) {
    // An unknown or exceeded size shows as complete rather than past 100%.
    const uint64_t percent = size == 0 || done >= size ? 100 : done * 100 / size;
    return platform::format_message(
        "%s  %u bytes  %u done  %d%%  block %u",
        {name, static_cast<unsigned long long>(size), static_cast<unsigned long long>(done),
         static_cast<long long>(percent), static_cast<unsigned long long>(block_length)});
}

}  // namespace orvane::connection::zmodem
