// A text of ten megabytes in a GTK text view: each answer reads the part of the text it needs, so
// that neither a caret move, nor a selection, nor the assistant request holds the host's main
// loop for long.
#include <glib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "axbridge/axbridge.h"
#include "e2e/desktop_session.h"
#include "e2e/host_test.h"
#include "platform/accessibility.h"

namespace axb::e2e {
namespace {

constexpr int kCharacters = 10 * 1024 * 1024;
// Generous: a request that reads the whole text several times takes seconds.
constexpr double kBound = 2.0;

double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Turns the main context until an event of that name arrives (or 10 s pass), and answers the
// longest single turn: the longest the library held the host's main loop meanwhile.
double longestTurnUntil(const std::string& name, std::size_t from) {
  double longest = 0;
  const double deadline = now() + 10.0;
  const auto arrived = [&] {
    const auto& events = receivedEvents();
    return std::any_of(events.begin() + static_cast<long>(from), events.end(),
                       [&](const HostEvent& event) { return event.name == name; });
  };
  while (!arrived() && now() < deadline) {
    // Waiting for something to happen takes 10 ms at most.
    bool woken = false;
    const guint wake = g_timeout_add(
        10,
        [](gpointer data) -> gboolean {
          *static_cast<bool*>(data) = true;
          return G_SOURCE_REMOVE;
        },
        &woken);
    const double began = now();
    g_main_context_iteration(nullptr, TRUE);
    longest = std::max(longest, now() - began);
    if (!woken) g_source_remove(wake);
  }
  EXPECT_TRUE(arrived()) << "no " << name;
  std::printf("%s: the main loop was held %.3f s at most\n", name.c_str(), longest);
  return longest;
}

std::string focusedRole(pid_t pid) {
  const platform::CopyResult focused =
      platform::copyAttributeValue(platform::createApplicationElement(pid), "AXFocusedUIElement");
  const auto element = platform::Element::from(focused.value);
  if (!element) return "";
  return platform::copyAttributeValue(*element, "AXRole").value.string().value_or("");
}

TEST_F(HostTest, ATenMegabyteTextHoldsNoRequestLong) {
  auto app = follow({});
  ASSERT_TRUE(app);
  ASSERT_TRUE(app->ask("fill view " + std::to_string(kCharacters), 30.0));
  ASSERT_TRUE(app->ask("focus view"));
  ASSERT_TRUE(pumpUntil([&] { return app->ask("state")->at("focus") == "view"; }));
  // The caret five characters before the end, where everything above it is the most text.
  const int caret = kCharacters - 5;
  std::size_t from = receivedEvents().size();
  ASSERT_TRUE(app->ask("select view " + std::to_string(caret) + " " + std::to_string(caret)));
  ASSERT_TRUE(waitForEvent("caret", from, {}, 30.0));
  pumpFor(0.3);

  from = receivedEvents().size();
  ASSERT_TRUE(xdotool({"key", "Right"}));
  EXPECT_LT(longestTurnUntil("caret", from), kBound);

  pumpFor(0.3);
  from = receivedEvents().size();
  ASSERT_TRUE(xdotool({"key", "shift+Right"}));
  EXPECT_LT(longestTurnUntil("text_select", from), kBound);
  // The text ends with "words in it\nline ": the caret was before "line ".
  EXPECT_EQ(receivedEvents().back().payload["selected_text"], "i");

  ASSERT_TRUE(xdotool({"key", "Left"}));
  // GTK reports the focus of a text view late while it lays out a long text.
  ASSERT_TRUE(pumpUntil([&] { return focusedRole(app->pid()) == "AXTextArea"; }, 30.0));
  from = receivedEvents().size();
  const double began = now();
  getDataForVeskAssist();
  const double asked = now() - began;
  std::printf("assistant request: %.3f s\n", asked);
  EXPECT_LT(asked, kBound);
  const auto answer = waitForEvent("alt_enter_pressed", from);
  ASSERT_TRUE(answer);
  // Everything above the caret: an emoji, then the lines.
  const std::string above = answer->payload.value("selected_text", "");
  EXPECT_EQ(above.size(), static_cast<std::size_t>(caret + 1 + 3));
  EXPECT_EQ(above.substr(0, 17), "\xF0\x9F\x98\x80\nline 0000001");
  EXPECT_EQ(above.substr(above.size() - 7), "in it\nl");
  EXPECT_GT(answer->payload["size"]["height"].get<double>(), 0);
}

}  // namespace
}  // namespace axb::e2e
