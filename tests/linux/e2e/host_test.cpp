#include "e2e/host_test.h"

#include <cstdio>
#include <string>

#include "axbridge/axbridge.h"

namespace axb::e2e {

void HostTest::TearDown() {
  if (!HasFailure()) return;
  // A long text's payload is cut short: the start says which it was.
  for (const HostEvent& event : receivedEvents()) {
    std::printf("received %s %.2000s\n", event.name.c_str(), event.payload.dump().c_str());
  }
}

void HostTest::startHost(const std::string& blockedList) {
  receivedEvents().clear();
  initMacAccessibility(recordEvent);
  start(blockedList.c_str());
}

std::unique_ptr<ChildApp> HostTest::follow(const TextAppOptions& options) {
  const std::size_t from = receivedEvents().size();
  auto app = startTextApp(options);
  if (!app || !switchTo(app->pid(), options.prgname, from, kSwitchDeadline)) return nullptr;
  return app;
}

}  // namespace axb::e2e
