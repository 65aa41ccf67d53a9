// Assertions on statuses that say what failed: ASSERT_OK(cabinet.write_text(t)).
#pragma once

#include <gtest/gtest.h>

#include "platform/status.h"

namespace orvane::testing {

inline ::testing::AssertionResult IsOk(const platform::Status& status) {
    if (status.ok()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << (status.is_cancelled() ? "cancelled" : status.text());
}

template <typename T>
::testing::AssertionResult IsOk(const platform::Result<T>& result) {
    return IsOk(result.status());
}

}  // namespace orvane::testing

#define ASSERT_OK(expression) ASSERT_TRUE(::orvane::testing::IsOk(expression))
#define EXPECT_OK(expression) EXPECT_TRUE(::orvane::testing::IsOk(expression))
