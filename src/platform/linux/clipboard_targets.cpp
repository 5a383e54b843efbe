#include "platform/linux/clipboard_targets.h"

#include <algorithm>
#include <array>
#include <optional>

namespace axb::platform::linux_clipboard {
namespace {

bool hasTarget(const Targets& targets, std::string_view name) {
  return std::any_of(targets.begin(), targets.end(),
                     [name](const auto& target) { return target.first == name; });
}

void addIfMissing(Targets& targets, std::string_view name, std::string data) {
  if (!hasTarget(targets, name)) targets.emplace_back(std::string(name), std::move(data));
}

}  // namespace

bool isMetaTarget(std::string_view target) {
  static constexpr std::array<std::string_view, 9> kMeta{
      "TARGETS",          "MULTIPLE",        "TIMESTAMP", "SAVE_TARGETS", "DELETE",
      "INSERT_SELECTION", "INSERT_PROPERTY", "INCR",      "LENGTH"};
  return target.empty() || std::find(kMeta.begin(), kMeta.end(), target) != kMeta.end();
}

std::string typeForTarget(std::string_view target) {
  if (target == kUtf8StringTarget) return kPlainTextType;
  if (target == kPasswordManagerHintTarget) return kTransientType;
  return std::string(target);
}

std::string targetForType(std::string_view type) {
  if (type == kPlainTextType) return kUtf8StringTarget;
  if (type == kTransientType) return kPasswordManagerHintTarget;
  return std::string(type);
}

std::vector<PasteboardItem> itemsFromTargets(const Targets& targets) {
  PasteboardItem item;
  for (const auto& [target, data] : targets) {
    if (isMetaTarget(target)) continue;
    const std::string type = typeForTarget(target);
    const bool seen = std::any_of(item.representations.begin(), item.representations.end(),
                                  [&type](const auto& r) { return r.first == type; });
    if (!seen) item.representations.emplace_back(type, data);
  }
  if (item.representations.empty()) return {};
  return {item};
}

Targets targetsFromItems(const std::vector<PasteboardItem>& items) {
  Targets targets;
  for (const PasteboardItem& item : items) {
    for (const auto& [type, data] : item.representations) {
      const std::string target = targetForType(type);
      if (isMetaTarget(target)) continue;
      addIfMissing(targets, target,
                   type == kTransientType ? std::string(kPasswordManagerHintValue) : data);
    }
  }
  // The aliases come last, so that what the items carry themselves wins.
  for (const PasteboardItem& item : items) {
    for (const auto& [type, data] : item.representations) {
      if (type != kPlainTextType) continue;
      addIfMissing(targets, kTextPlainUtf8Target, data);
      if (const auto latin1 = latin1FromUtf8(data)) addIfMissing(targets, kStringTarget, *latin1);
      addIfMissing(targets, kTextTarget, data);
    }
  }
  return targets;
}

std::optional<std::string> latin1FromUtf8(std::string_view text) {
  std::string latin1;
  latin1.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      latin1.push_back(static_cast<char>(lead));
      ++i;
      continue;
    }
    // Only two-byte sequences for U+0080..U+00FF (leads C2 and C3) fit.
    if ((lead != 0xC2 && lead != 0xC3) || i + 1 >= text.size()) return std::nullopt;
    const auto trail = static_cast<unsigned char>(text[i + 1]);
    if ((trail & 0xC0) != 0x80) return std::nullopt;
    latin1.push_back(static_cast<char>(((lead & 0x1F) << 6) | (trail & 0x3F)));
    i += 2;
  }
  return latin1;
}

IncrChunks::IncrChunks(std::shared_ptr<const std::string> data, std::size_t chunkSize)
    : data_(data ? std::move(data) : std::make_shared<const std::string>()),
      chunkSize_(std::max<std::size_t>(chunkSize, 1)) {}

std::string_view IncrChunks::next() {
  if (offset_ >= data_->size()) {
    finished_ = true;
    return {};
  }
  const std::size_t length = std::min(chunkSize_, data_->size() - offset_);
  const std::string_view chunk(data_->data() + offset_, length);
  offset_ += length;
  return chunk;
}

}  // namespace axb::platform::linux_clipboard
