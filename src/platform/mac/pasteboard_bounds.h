// How much one snapshot of the general pasteboard may take.
#pragma once

#include <cstddef>

#include "platform/pasteboard.h"

namespace axb::platform::mac {

// A read of one type can be neither interrupted nor sized before it returns, so the bounds hold
// between reads: no type is read once the snapshot has taken `seconds`, and a type whose data
// would take what is kept beyond `bytes` is left out and ends the snapshot. Types left out count
// in `unreadTypes`.
struct SnapshotBounds {
  double seconds = 0;
  std::size_t bytes = 0;
};
inline constexpr SnapshotBounds kSnapshotBounds{4, std::size_t{256} << 20};

PasteboardContents pasteboardContents(const SnapshotBounds& bounds);

}  // namespace axb::platform::mac
