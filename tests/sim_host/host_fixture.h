// Tests of a host that calls the library's entry points itself: its callback records events the
// way the scenario fixture's does.
#pragma once

#include "scenario/scenario_fixture.h"

namespace axb::testing {

class HostDrivenTest : public ScenarioTest {
 public:
  using ScenarioTest::record;

 protected:
  static void startLibrary() {
    initMacAccessibility(&record);
    start("{}");
  }
};

}  // namespace axb::testing
