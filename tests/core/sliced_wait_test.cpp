// The paste's blocking wait lasts until its deadline, however often a signal cuts it short, and
// not at all for a deadline already past or NaN.
#include "platform/sliced_wait.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace axb::platform {
namespace {

double now = 0;
std::vector<double> slices;

double clock() {
  return now;
}

// A signal every 0.4 s ends the slice then.
void interrupted(double seconds) {
  slices.push_back(seconds);
  now += std::min(seconds, 0.4);
}

TEST(SlicedWaitTest, ResumesAfterEverySliceCutShortUntilTheDeadline) {
  for (const double deadline : {12.5, 10.0, 9.0, std::nan("")}) {
    now = 10;
    slices.clear();
    waitInSlicesUntil(deadline, clock, interrupted);
    if (deadline > 10) {
      EXPECT_GE(now, deadline);
    } else {
      EXPECT_TRUE(slices.empty()) << deadline;
    }
    EXPECT_TRUE(std::all_of(slices.begin(), slices.end(), [](double s) { return s <= 1.0; }));
  }
}

}  // namespace
}  // namespace axb::platform
