// The host's request for assistant context with the caret after a long text: from the call to
// the host callback's return (the virtual clock runs until the answer is delivered), with the
// desktop's share measured beside it as for the handler paths.
//
// The simulated desktop derives every text answer by decoding the whole text, which for 10 MB
// costs it far more than the library spends; its share would swamp the library's. With prepared
// answers the element hands out the same values ready-made (as an application that keeps them
// would), so what remains is the library's own work on 10 MB: taking the text, building the
// payload, serialising it and calling the host.
#include "sim_desktop/desktop_text.h"
#include "sim_desktop/values.h"
#include "support.h"

namespace axb::bench {
namespace {

void prepareAnswers(const std::string& text, std::int64_t caret) {
  auto& d = desk();
  d.setAttribute("notes.body", "AXNumberOfCharacters",
                 platform::Object::makeNumber(static_cast<double>(caret)));
  d.setAttribute("notes.body", "AXSelectedTextRange", sim::makeRangeValue({caret, 0}));
  d.setParameterizedAttribute("notes.body", "AXBoundsForRange",
                              sim::makeRectValue({500, 300, 7, 16}));
  d.setParameterizedAttribute("notes.body", "AXStringForRange", platform::Object::makeString(text));
}

void BM_AssistantRequest(benchmark::State& state, bool preparedAnswers) {
  const auto textBytes = static_cast<std::size_t>(state.range(0)) << 20;
  const std::string text = sampleText(textBytes);
  const std::int64_t caret = sim::textLength(text);
  freshWorld(text, {caret, 0});
  if (preparedAnswers) prepareAnswers(text, caret);
  const auto ask = [] {
    const std::uint64_t before = hostCalls();
    getDataForVeskAssist();
    desk().runUntilIdle();
    if (hostCalls() != before + 1) throw std::runtime_error("no answer delivered");
  };
  // The parameters the library builds: the last character, and everything before the caret.
  const ParameterFor parameters = [caret](std::string_view attribute) {
    return attribute == "AXBoundsForRange" ? platform::Object::makeRange({caret - 1, 1})
                                           : platform::Object::makeRange({0, caret});
  };
  const PathMeasurement measurement{.fire = ask,
                                    .batch = 1,
                                    .unitSeconds = 1e-3,
                                    .unitName = "ms",
                                    .reportLibrary = preparedAnswers};
  try {
    ask();
    const std::vector<BoundaryProfile> profiles{profileOf(ask)};
    const std::vector<DesktopReplay> replays{DesktopReplay(profiles[0], parameters, {kNotes})};
    measurePath(state, measurement, profiles, replays);
  } catch (const std::exception& failure) {
    state.SkipWithError(failure.what());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(textBytes));
}

BENCHMARK_CAPTURE(BM_AssistantRequest, prepared_answers, true)
    ->ArgName("text_MB")
    ->Arg(1)
    ->Arg(10)
    ->Iterations(repetitions(10))
    ->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(BM_AssistantRequest, simulated_text, false)
    ->ArgName("text_MB")
    ->Arg(10)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace axb::bench
