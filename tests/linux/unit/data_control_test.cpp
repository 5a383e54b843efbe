// The clipboard speaks the standard data-control interface wherever the compositor offers it,
// the wlroots one only where that is all there is.
#include "platform/linux/wayland/data_control.h"

#include <gtest/gtest.h>

namespace axb::platform::wayland::clipboard {
namespace {

TEST(DataControl, TheStandardInterfaceIsPreferred) {
  EXPECT_EQ(interfaceFor(true, true), Interface::Standard);
  EXPECT_EQ(interfaceFor(true, false), Interface::Standard);
  EXPECT_EQ(interfaceFor(false, true), Interface::Wlroots);
  EXPECT_EQ(interfaceFor(false, false), Interface::None);
}

}  // namespace
}  // namespace axb::platform::wayland::clipboard
