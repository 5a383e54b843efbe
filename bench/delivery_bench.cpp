// The event channel's work for one event: posting it into the pending slot, then the delivery
// step that serialises it and calls the host. A typical selection, and 1 MB and 10 MB of text.
#include "support.h"

namespace axb::bench {
namespace {

EventDictionary selectionEvent(std::string text) {
  return {{"selected_text", std::move(text)},         {"is_editable", true},
          {"position", {{"x", 215.0}, {"y", 160.0}}}, {"size", {{"width", 63.0}, {"height", 16.0}}},
          {"bundle_id", "com.example.notes"},         {"name", "Notes"}};
}

// Manual time, the thread's processor time: the copies of the payload that the iteration posts
// are made before its timed part. Small events go in batches, so that reading the clock does not
// count; the counter gives the time per event.
void BM_Delivery(benchmark::State& state) {
  freshWorld();
  const auto textBytes = static_cast<std::size_t>(state.range(0));
  const EventDictionary payload = selectionEvent(sampleText(textBytes));
  const std::size_t jsonBytes = bridge::serializePayload(payload).value_or("").size();
  const std::size_t batch = textBytes < 65536 ? 64 : 1;
  if (batch > 1) state.SetLabel(std::to_string(batch) + " events an iteration");
  std::vector<EventDictionary> copies(batch);
  ThreadClock::duration total{};
  for (auto _ : state) {
    for (auto& copy : copies) copy = payload;
    const ThreadClock::time_point begin = ThreadClock::now();
    for (auto& copy : copies) {
      bridge::callbackWraper("text_select", std::move(copy));
      bridge::deliverPendingEvent();
    }
    const ThreadClock::duration spent = ThreadClock::now() - begin;
    total += spent;
    state.SetIterationTime(std::chrono::duration<double>(spent).count());
    settle();  // the posts' own delivery steps, which find nothing
  }
  const auto events = static_cast<double>(state.iterations() * batch);
  if (static_cast<double>(hostCalls()) != events) {
    state.SkipWithError("the host did not get every event");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(batch * textBytes));
  state.counters["json_bytes"] = static_cast<double>(jsonBytes);
  state.counters["deliver_us"] = std::chrono::duration<double, std::micro>(total).count() / events;
}

BENCHMARK(BM_Delivery)
    ->ArgName("text_bytes")
    ->Arg(64)
    ->Arg(1 << 20)
    ->Arg(10 << 20)
    ->UseManualTime()
    ->MinTime(minTime(0.2))
    ->Repetitions(repetitions(3))
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace axb::bench
