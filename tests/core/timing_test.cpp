// debounce on the main thread (virtual time) and the stand-alone Debouncer (its own thread,
// real time).
#include <any>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
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
TEST(Debouncer, OnlyTheLastOfQuickCallsRunsOnItsOwnThread) {
  auto debouncer = timing::Debouncer::create();
  std::atomic<int> which{0};
  std::atomic<bool> onMainThread{true};
  const auto main = std::this_thread::get_id();
  const auto started = std::chrono::steady_clock::now();
  std::atomic<double> ranAfter{0};
  debouncer->call(0.1, std::string("first"), [&] { which = 1; });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  debouncer->call(0.1, std::string("second"), [&] {
    which = 2;
    onMainThread = std::this_thread::get_id() == main;
    ranAfter = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  });
  EXPECT_EQ(std::any_cast<std::string>(debouncer->latestEventParams()), "second");
  for (int i = 0; i < 200 && which == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(which, 2);
  EXPECT_FALSE(onMainThread);
  EXPECT_GE(ranAfter, 0.15);
  EXPECT_FALSE(debouncer->latestEventParams().has_value());
}

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
