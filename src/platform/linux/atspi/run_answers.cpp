#include "platform/linux/atspi/run_answers.h"

#include <unordered_map>

#include "platform/linux/atspi/accessible_identity.h"
#include "platform/linux/glib/g_ref.h"

namespace axb::platform::atspi {
namespace {

using KeptByAccessible = std::unordered_map<GRef<AtspiAccessible>, std::shared_ptr<KeptAnswers>,
                                            AccessibleHash, SameAccessible>;

struct RunState {
  int depth = 0;
  KeptByAccessible kept;
};

RunState& run() {
  static RunState* const state = new RunState();
  return *state;
}

}  // namespace

void beginRun() {
  ++run().depth;
}

void endRun() {
  RunState& state = run();
  if (state.depth > 0 && --state.depth == 0) state.kept.clear();
}

std::shared_ptr<KeptAnswers> keptAnswers(AtspiAccessible* accessible) {
  RunState& state = run();
  if (state.depth == 0 || !accessible) return std::make_shared<KeptAnswers>();
  std::shared_ptr<KeptAnswers>& kept = state.kept[GRef<AtspiAccessible>::retain(accessible)];
  if (!kept) kept = std::make_shared<KeptAnswers>();
  return kept;
}

void forgetAnswers(AtspiAccessible* accessible) {
  if (!accessible || run().kept.empty()) return;
  run().kept.erase(GRef<AtspiAccessible>::retain(accessible));
}

}  // namespace axb::platform::atspi
