// Whatever a handler or a host callback throws stays inside the library: one line without the
// exception's message, and the next call-out runs as usual.
#include <stdexcept>
#include <string>

#include "support/desktop_fixture.h"

namespace axb::testing {
namespace {

class CalloutErrorsTest : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    addNotesApp("secret draft");
    initAndStart();
  }
  static void expectOneErrorLine() {
    EXPECT_EQ(std::count(lines().begin(), lines().end(), "error in callback"), 1);
    for (const auto& line : lines()) EXPECT_EQ(line.find("secret"), std::string::npos) << line;
  }
};

TEST_F(CalloutErrorsTest, AThrowingRequestEndsOneHandlerRunAndAThrowingHostMissesOneEvent) {
  followApp(kNotes);
  forgetWhatHappened();
  desk().setRequestHook([](const sim::RequestInfo&) {
    throw std::runtime_error("secret draft");  // a request that fails in an unforeseen way
  });
  desk().select("notes.body", {0, 6});
  desk().runFor(0.5);
  desk().setRequestHook(nullptr);
  desk().select("notes.body", {0, 5});
  desk().runFor(0.5);
  expectOneErrorLine();
  ASSERT_FALSE(received().empty());
  EXPECT_EQ(received().back().name, "text_select");

  // A host callback that throws misses one event only.
  forgetWhatHappened();
  static bool throwOnce = true;
  initMacAccessibility([](const char* name, const char* json) {
    if (std::exchange(throwOnce, false)) throw std::runtime_error("secret draft");
    record(name, json);
  });
  start("{}");
  followApp(kNotes);
  desk().select("notes.body", {0, 4});
  desk().runFor(0.5);
  expectOneErrorLine();
  ASSERT_FALSE(received().empty());
  EXPECT_EQ(received().back().name, "text_select");
}

}  // namespace
}  // namespace axb::testing
