#include "platform/sliced_wait.h"

#include <time.h>

#include <algorithm>
#include <cmath>

namespace axb::platform {

void sleepSeconds(double seconds) {
  if (!(seconds > 0)) return;
  timespec slice{};
  slice.tv_sec = static_cast<time_t>(seconds);
  slice.tv_nsec = static_cast<long>((seconds - std::floor(seconds)) * 1e9);
  nanosleep(&slice, nullptr);
}

void waitInSlicesUntil(double deadline, double (*clock)(), void (*wait)(double seconds)) {
  for (double now = clock(); now < deadline; now = clock()) wait(std::min(deadline - now, 1.0));
}

}  // namespace axb::platform
