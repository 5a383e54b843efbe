// debounce on the main thread (virtual time) and the stand-alone Debouncer (its own thread,
// real time).
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "support/desktop_fixture.h"
#include "timing/debounce.h"
#include "timing/debouncer.h"

namespace axb::testing {
namespace {

class DebounceTest : public DesktopTest {};

TEST_F(DebounceTest, EachCallRunsOnceInCallOrderAfterTwiceItsInterval) {
  std::vector<std::pair<int, double>> runs;
  for (int i = 0; i < 3; ++i) {
    timing::debounce(0.1, [&runs, i] { runs.emplace_back(i, desk().now()); });
    desk().runUntil(desk().now() + 0.01);
  }
  desk().runUntilIdle();
  ASSERT_EQ(runs.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(runs[i].first, i);
    EXPECT_NEAR(runs[i].second, 0.2 + 0.01 * i, 1e-9);
  }
  // A zero interval still runs later, never inside the call.
  bool ran = false;
  timing::debounce(0, [&] { ran = true; });
  EXPECT_FALSE(ran);
  desk().runUntilIdle();
  EXPECT_TRUE(ran);
}

// The Debouncer runs on its own thread; these waits are real and short.
TEST(Debouncer, ReleasingDoesNotWaitOutAPendingDelay) {
  auto debouncer = timing::Debouncer::create();
  std::atomic<bool> ran{false};
  debouncer->call(0, {}, [&] { ran = true; });  // the worker is running once this has run
  for (int i = 0; i < 200 && !ran; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_TRUE(ran);
  debouncer->call(30.0, {}, [] {});
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the worker waits for the delay
  const auto released = std::chrono::steady_clock::now();
  debouncer.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - released, std::chrono::seconds(5));
}

TEST(Debouncer, MayBeReleasedByItsOwnAction) {
  std::atomic<bool> ran{false};
  auto debouncer = timing::Debouncer::create();
  std::shared_ptr<timing::Debouncer>* holder = new std::shared_ptr<timing::Debouncer>(debouncer);
  debouncer->call(0.01, {}, [&ran, holder] {
    ran = true;
    delete holder;  // drops a reference on the worker thread
  });
  const std::weak_ptr<timing::Debouncer> weak = debouncer;
  debouncer.reset();  // the worker's body now holds the last reference while it runs
  for (int i = 0; i < 200 && !weak.expired(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_TRUE(ran);
  EXPECT_TRUE(weak.expired());
  // The destructor runs on the worker; a worker joining itself would end the process here.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

}  // namespace
}  // namespace axb::testing
