// Whether synthetic keys can reach the desktop: without a display they cannot, whatever the
// accessibility switch says.
#include "platform/keyboard.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace axb::platform {
namespace {

TEST(Keyboard, WithoutADisplayToOpenKeysAreRefusedForNoDesktop) {
  for (const char* display : {static_cast<const char*>(nullptr), ":4099"}) {
    display ? setenv("DISPLAY", display, 1) : unsetenv("DISPLAY");
    EXPECT_EQ(syntheticKeysRefused(), KeysRefusal::NoDesktop) << (display ? display : "unset");
  }
}

}  // namespace
}  // namespace axb::platform
