// A second copy of the program waits for the first, on the environment's
// clock, and names it when it gives up.
#include "platform/single_instance.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "platform/virtual_clock.h"
#include "tests/support/temp_directory.h"

namespace orvane::platform {
namespace {

// A clock on which the first copy ends after `release_after_ms` of waiting.
class FirstCopyEndsEnv : public VirtualClockEnv {
  public:
    FirstCopyEndsEnv(SingleInstance& first, uint32_t release_after_ms)
        : first_(first), release_after_ms_(release_after_ms) {}
    void sleep_ms(uint32_t milliseconds) override {
        VirtualClockEnv::sleep_ms(milliseconds);
        if (tick_count() >= release_after_ms_) first_.release();
    }

  private:
    SingleInstance& first_;
    uint32_t release_after_ms_;
};

TEST(SingleInstanceTest, ASecondCopyWaitsThenNamesTheFirstWhenItGivesUp) {
    orvane::testing::TempDirectory home;
    SingleInstance first;
    ASSERT_EQ(first.acquire(home.path()), 0);

    VirtualClockEnv clock;
    SingleInstance second(clock);
    UnattendedPolicy policy;
    Status status = second.acquire_waiting(home.path(), policy, 30000);
    EXPECT_EQ(status.id(), MessageId::kOtherRunHoldsDirectory);
    const std::string pid = std::to_string(::getpid());
    EXPECT_NE(status.text().find("process " + pid + ")"), std::string::npos) << status.text();
    EXPECT_NE(status.text().find(home.path()), std::string::npos);
    EXPECT_GE(clock.tick_count(), 30000u);
    EXPECT_LT(clock.tick_count(), 30000u + SingleInstance::kRetryMs + 1);
    // One word after the first second, not one per try.
    ASSERT_EQ(policy.notices.size(), 1u);
    EXPECT_EQ(policy.notices[0].id(), MessageId::kWaitingForOtherRun);
    EXPECT_FALSE(second.held());
}

TEST(SingleInstanceTest, ASecondCopyGoesOnWhenTheFirstEnds) {
    orvane::testing::TempDirectory home;
    SingleInstance first;
    ASSERT_EQ(first.acquire(home.path()), 0);
    FirstCopyEndsEnv clock(first, 2500);
    SingleInstance second(clock);
    UnattendedPolicy policy;
    ASSERT_TRUE(second.acquire_waiting(home.path(), policy, 30000).ok());
    EXPECT_TRUE(second.held());
    EXPECT_LT(clock.tick_count(), 3000u);
    EXPECT_EQ(policy.notices.size(), 1u);

    // A copy that starts at once says nothing.
    second.release();
    UnattendedPolicy quiet;
    ASSERT_TRUE(first.acquire_waiting(home.path(), quiet, 30000).ok());
    EXPECT_TRUE(quiet.notices.empty());
}

}  // namespace
}  // namespace orvane::platform
