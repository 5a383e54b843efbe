#include "platform/linux/wayland/data_control.h"

#include <fcntl.h>
#include <glib-unix.h>
#include <glib.h>
#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "ext-data-control-v1-client.h"
#include "platform/linux/wayland/clipboard_read.h"
#include "platform/linux/wayland/wl_client.h"
#include "platform/run_loop.h"
#include "platform/sliced_wait.h"
#include "wlr-data-control-unstable-v1-client.h"

namespace axb::platform::wayland::clipboard {
namespace {

// A requestor that stops reading is given up after this long; this many transfers at once.
constexpr double kStalledTransfer = 10.0;
constexpr std::size_t kTransfersInAll = 16;
// Bytes written to one requestor in one turn, so that a fast reader of a large type leaves the
// host's other work its turn.
constexpr std::size_t kBytesPerTurn = std::size_t{1} << 20;
constexpr std::size_t kReadChunk = 64 * 1024;

// One owned type going to a requestor through the pipe it handed over.
struct Transfer {
  int fd = -1;
  std::shared_ptr<const std::string> data;
  std::size_t offset = 0;
  double lastProgress = 0;
  guint watch = 0;
};

// What the clipboard knows whichever interface it speaks; the interface's own objects are its
// subclass's.
struct Clipboard {
  virtual ~Clipboard() = default;
  // Whether the compositor named a selection, and whether it is the library's own source's.
  virtual bool hasSelection() const = 0;
  virtual bool ownsSelection() const = 0;
  // Names the selection's current offer, to notice it was replaced.
  virtual const void* selectionOffer() const = 0;
  // Asks the selection's owner to write one type into the pipe.
  virtual void requestType(const std::string& type, int fd) = 0;
  // Makes a new source with the types the selection (none: empties it); the earlier source is
  // asked nothing more.
  virtual void setSelection(const x11::Targets& targets) = 0;

  std::vector<std::string> selectionTypes;
  std::int64_t changes = 0;
  // The types the library's own source offers while it is the selection.
  std::vector<std::pair<std::string, std::shared_ptr<const std::string>>> offered;
  std::vector<Transfer> transfers;
  guint sweep = 0;
  bool finished = false;
};

Clipboard* clipboard();

void closeTransfer(Transfer& transfer) {
  if (transfer.watch) g_source_remove(transfer.watch);
  transfer.watch = 0;
  if (transfer.fd >= 0) ::close(transfer.fd);
  transfer.fd = -1;
}

// Writes what each requestor takes without blocking; ends the transfers that are done, broken or
// stalled.
void progressTransfers(Clipboard& cb) {
  const double now = monotonicSeconds();
  for (Transfer& transfer : cb.transfers) {
    std::size_t sentThisTurn = 0;
    while (transfer.offset < transfer.data->size() && sentThisTurn < kBytesPerTurn) {
      const std::size_t size =
          std::min(transfer.data->size() - transfer.offset, kBytesPerTurn - sentThisTurn);
      const ssize_t n = ::write(transfer.fd, transfer.data->data() + transfer.offset, size);
      if (n > 0) {
        transfer.offset += static_cast<std::size_t>(n);
        sentThisTurn += static_cast<std::size_t>(n);
        transfer.lastProgress = now;
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno == EAGAIN) break;
      transfer.offset = transfer.data->size();  // the requestor went away
      transfer.lastProgress = now;
      break;
    }
    if (transfer.offset >= transfer.data->size() ||
        now - transfer.lastProgress > kStalledTransfer) {
      closeTransfer(transfer);
    }
  }
  std::erase_if(cb.transfers, [](const Transfer& transfer) { return transfer.fd < 0; });
}

void scheduleSweep(Clipboard& cb) {
  if (cb.sweep || cb.transfers.empty()) return;
  // Requestors that stop reading never make their pipe writable again: a timer ends them.
  cb.sweep = g_timeout_add_seconds(
      static_cast<guint>(kStalledTransfer) + 1,
      [](gpointer) -> gboolean {
        Clipboard* open = clipboard();
        if (!open) return G_SOURCE_REMOVE;
        open->sweep = 0;
        progressTransfers(*open);
        scheduleSweep(*open);
        return G_SOURCE_REMOVE;
      },
      nullptr);
}

gboolean onWritable(gint, GIOCondition, gpointer) {
  if (Clipboard* cb = clipboard()) progressTransfers(*cb);
  // Each transfer's watch is removed with it; this one stays while its transfer does.
  return G_SOURCE_CONTINUE;
}

// A requestor asks the library's own source for one type through the pipe it hands over.
void serve(Clipboard& cb, const char* mimeType, int32_t fd) {
  if (!mimeType || cb.transfers.size() >= kTransfersInAll) {
    ::close(fd);
    return;
  }
  const auto found = std::find_if(cb.offered.begin(), cb.offered.end(),
                                  [mimeType](const auto& o) { return o.first == mimeType; });
  if (found == cb.offered.end()) {
    ::close(fd);
    return;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  Transfer transfer;
  transfer.fd = fd;
  transfer.data = found->second;
  transfer.lastProgress = monotonicSeconds();
  transfer.watch = g_unix_fd_add(fd, static_cast<GIOCondition>(G_IO_OUT | G_IO_ERR | G_IO_HUP),
                                 onWritable, nullptr);
  cb.transfers.push_back(transfer);
  progressTransfers(cb);
  scheduleSweep(cb);
}

// The two interfaces' generated calls under one set of names: they have the same requests and
// events, only their names differ.
#define AXB_DATA_CONTROL_CALLS(Name, prefix)                                                 \
  struct Name {                                                                              \
    using Manager = prefix##_data_control_manager_v1;                                        \
    using Device = prefix##_data_control_device_v1;                                          \
    using Source = prefix##_data_control_source_v1;                                          \
    using Offer = prefix##_data_control_offer_v1;                                            \
    using DeviceListener = prefix##_data_control_device_v1_listener;                         \
    using SourceListener = prefix##_data_control_source_v1_listener;                         \
    using OfferListener = prefix##_data_control_offer_v1_listener;                           \
    static Device* device(Manager* manager, wl_seat* seat) {                                 \
      return prefix##_data_control_manager_v1_get_data_device(manager, seat);                \
    }                                                                                        \
    static Source* source(Manager* manager) {                                                \
      return prefix##_data_control_manager_v1_create_data_source(manager);                   \
    }                                                                                        \
    static void listen(Device* device, const DeviceListener* listener, void* data) {         \
      prefix##_data_control_device_v1_add_listener(device, listener, data);                  \
    }                                                                                        \
    static void listen(Source* source, const SourceListener* listener, void* data) {         \
      prefix##_data_control_source_v1_add_listener(source, listener, data);                  \
    }                                                                                        \
    static void listen(Offer* offer, const OfferListener* listener, void* data) {            \
      prefix##_data_control_offer_v1_add_listener(offer, listener, data);                    \
    }                                                                                        \
    static void setSelection(Device* device, Source* source) {                               \
      prefix##_data_control_device_v1_set_selection(device, source);                         \
    }                                                                                        \
    static void offer(Source* source, const char* type) {                                    \
      prefix##_data_control_source_v1_offer(source, type);                                   \
    }                                                                                        \
    static void receive(Offer* offer, const char* type, int fd) {                            \
      prefix##_data_control_offer_v1_receive(offer, type, fd);                               \
    }                                                                                        \
    static void destroy(Source* source) { prefix##_data_control_source_v1_destroy(source); } \
    static void destroy(Offer* offer) { prefix##_data_control_offer_v1_destroy(offer); }     \
  }

AXB_DATA_CONTROL_CALLS(Standard, ext);
AXB_DATA_CONTROL_CALLS(Wlroots, zwlr);
#undef AXB_DATA_CONTROL_CALLS

// The clipboard through one of the interfaces. Its listeners are given the clipboard itself,
// which lives as long as the connection.
template <class Calls>
struct ClipboardOf final : Clipboard {
  using Offer = typename Calls::Offer;
  using Source = typename Calls::Source;

  typename Calls::Manager* manager;
  typename Calls::Device* device;
  // Offers announced and the types each listed, until the selection event names one.
  std::map<Offer*, std::vector<std::string>> announced;
  Offer* selection = nullptr;
  // The library's own source while it is the selection.
  Source* source = nullptr;

  ClipboardOf(typename Calls::Manager* manager, wl_seat* seat)
      : manager(manager), device(Calls::device(manager, seat)) {
    Calls::listen(device, &kDeviceListener, this);
  }

  bool hasSelection() const override { return selection != nullptr; }
  bool ownsSelection() const override { return source != nullptr && selection != nullptr; }
  const void* selectionOffer() const override { return selection; }
  void requestType(const std::string& type, int fd) override {
    Calls::receive(selection, type.c_str(), fd);
  }

  void setSelection(const x11::Targets& targets) override {
    Source* previous = std::exchange(source, nullptr);
    offered.clear();
    if (!targets.empty()) {
      source = Calls::source(manager);
      Calls::listen(source, &kSourceListener, this);
      for (const auto& [type, data] : targets) {
        if (std::any_of(offered.begin(), offered.end(),
                        [&type](const auto& o) { return o.first == type; })) {
          continue;
        }
        offered.emplace_back(type, std::make_shared<const std::string>(data));
        Calls::offer(source, type.c_str());
      }
    }
    Calls::setSelection(device, source);
    if (previous) Calls::destroy(previous);
  }

  void forgetOffer(Offer* offer) {
    if (!offer) return;
    announced.erase(offer);
    Calls::destroy(offer);
  }

  static ClipboardOf& of(void* data) { return *static_cast<ClipboardOf*>(data); }

  static void onSend(void* data, Source* sent, const char* mimeType, int32_t fd) {
    ClipboardOf& cb = of(data);
    if (sent != cb.source) {
      ::close(fd);
      return;
    }
    serve(cb, mimeType, fd);
  }

  static void onCancelled(void* data, Source* cancelled) {
    ClipboardOf& cb = of(data);
    if (cancelled == cb.source) {
      cb.source = nullptr;
      cb.offered.clear();
    }
    Calls::destroy(cancelled);
  }

  static void onOfferType(void* data, Offer* offer, const char* mimeType) {
    ClipboardOf& cb = of(data);
    if (!mimeType) return;
    const auto found = cb.announced.find(offer);
    if (found == cb.announced.end() || found->second.size() >= kMostTypes) return;
    found->second.emplace_back(mimeType);
  }

  static void onDataOffer(void* data, typename Calls::Device*, Offer* offer) {
    ClipboardOf& cb = of(data);
    cb.announced[offer];
    Calls::listen(offer, &kOfferListener, data);
  }

  static void onSelection(void* data, typename Calls::Device*, Offer* offer) {
    ClipboardOf& cb = of(data);
    if (cb.selection && cb.selection != offer) cb.forgetOffer(cb.selection);
    cb.selection = offer;
    cb.selectionTypes.clear();
    if (offer) {
      if (const auto found = cb.announced.find(offer); found != cb.announced.end()) {
        cb.selectionTypes = std::move(found->second);
        cb.announced.erase(found);
      }
    }
    ++cb.changes;
  }

  static void onFinished(void* data, typename Calls::Device*) { of(data).finished = true; }

  // The primary selection is not followed.
  static void onPrimarySelection(void* data, typename Calls::Device*, Offer* offer) {
    of(data).forgetOffer(offer);
  }

  static constexpr typename Calls::SourceListener kSourceListener = {onSend, onCancelled};
  static constexpr typename Calls::OfferListener kOfferListener = {onOfferType};
  static constexpr typename Calls::DeviceListener kDeviceListener = {
      onDataOffer, onSelection, onFinished, onPrimarySelection};
};

Clipboard* open() {
  client::Globals* globals = client::globals();
  if (!globals || !globals->seat) return nullptr;
  switch (interfaceFor(globals->standardDataControl != nullptr, globals->dataControl != nullptr)) {
    case Interface::Standard:
      return new ClipboardOf<Standard>(globals->standardDataControl, globals->seat);
    case Interface::Wlroots:
      return new ClipboardOf<Wlroots>(globals->dataControl, globals->seat);
    case Interface::None:
      break;
  }
  return nullptr;
}

// Opened on first use and kept. Not a function-local static: the compositor's first events
// arrive, and reach the listeners, while it is being opened.
Clipboard* instance = nullptr;
bool attempted = false;

Clipboard* clipboard() {
  if (!attempted) {
    attempted = true;
    instance = open();
    // The compositor names the current selection at once.
    if (instance) client::roundTrip(monotonicSeconds() + kRequestWait);
  }
  if (!instance || instance->finished || !client::globals()) return nullptr;
  return instance;
}

// Asks the owner for one type through a pipe and reads it until the owner closes its end, within
// the deadline and at most `limit` bytes.
Outcome receive(Clipboard& cb, const std::string& type, double deadline, std::size_t limit,
                std::string& data) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return Outcome::Refused;
  cb.requestType(type, ends[1]);
  ::close(ends[1]);
  std::vector<pollfd> pipe{{ends[0], POLLIN, 0}};
  Outcome outcome = Outcome::TimedOut;
  char chunk[kReadChunk];
  while (monotonicSeconds() < deadline) {
    // The request goes out with this poll; the compositor's events are taken meanwhile.
    if (!client::pollOnce(deadline, pipe)) break;
    if (!(pipe[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
    const ssize_t n = ::read(ends[0], chunk, sizeof(chunk));
    if (n == 0) {
      outcome = Outcome::Read;
      break;
    }
    if (n < 0) {
      if (errno == EAGAIN || errno == EINTR) continue;
      outcome = Outcome::Refused;
      break;
    }
    if (data.size() + static_cast<std::size_t>(n) > limit) {
      outcome = Outcome::TooLarge;
      break;
    }
    data.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(ends[0]);
  if (outcome != Outcome::Read) data.clear();
  return outcome;
}

bool isOffered(const Clipboard& cb, const std::string& type) {
  return std::find(cb.selectionTypes.begin(), cb.selectionTypes.end(), type) !=
         cb.selectionTypes.end();
}

// The compositor's latest word on the selection.
void catchUp() {
  client::roundTrip(monotonicSeconds() + kRequestWait);
}

}  // namespace

Interface interfaceFor(bool standardOffered, bool wlrootsOffered) {
  if (standardOffered) return Interface::Standard;
  return wlrootsOffered ? Interface::Wlroots : Interface::None;
}

bool available() {
  return clipboard() != nullptr;
}

std::int64_t changeCount() {
  Clipboard* cb = clipboard();
  if (!cb) return 0;
  std::vector<pollfd> none;
  client::pollOnce(0, none);
  return cb->changes;
}

x11::Targets read() {
  Clipboard* cb = clipboard();
  if (!cb) return {};
  catchUp();
  x11::Targets read;
  if (!cb->hasSelection()) return read;
  if (cb->ownsSelection()) {
    for (const auto& [type, data] : cb->offered) read.emplace_back(type, *data);
    return read;
  }
  // Copied: the selection may change while it is read.
  const std::vector<std::string> types = cb->selectionTypes;
  const void* const offer = cb->selectionOffer();
  return readTypes(types, [cb, offer](const std::string& type, double deadline, std::size_t limit,
                                      std::string& data) {
    if (cb->selectionOffer() != offer) return Outcome::Withdrawn;
    return receive(*cb, type, deadline, limit, data);
  });
}

std::optional<std::string> readText() {
  Clipboard* cb = clipboard();
  if (!cb) return std::nullopt;
  catchUp();
  if (!cb->hasSelection()) return std::nullopt;
  const auto owned = [cb](const std::string& type) {
    return std::find_if(cb->offered.begin(), cb->offered.end(),
                        [&type](const auto& o) { return o.first == type; });
  };
  return readTextType(
      [&](const std::string& type) {
        return cb->ownsSelection() ? owned(type) != cb->offered.end() : isOffered(*cb, type);
      },
      [&](const std::string& type, double deadline, std::size_t limit, std::string& data) {
        if (!cb->ownsSelection()) return receive(*cb, type, deadline, limit, data);
        data = *owned(type)->second;
        return Outcome::Read;
      },
      monotonicSeconds() + kRequestWait);
}

std::optional<std::int64_t> own(const x11::Targets& targets) {
  Clipboard* cb = clipboard();
  if (!cb) return std::nullopt;
  cb->setSelection(targets);
  const std::int64_t before = cb->changes;
  // The selection event for the write is counted before the count is answered.
  const double deadline = monotonicSeconds() + kRequestWait;
  std::vector<pollfd> none;
  while (cb->changes == before && monotonicSeconds() < deadline) {
    if (!client::pollOnce(deadline, none)) return std::nullopt;
  }
  if (cb->changes == before) return std::nullopt;
  return cb->changes;
}

bool serveUntil(double deadline) {
  Clipboard* cb = clipboard();
  if (!cb) return false;
  for (;;) {
    std::vector<pollfd> pipes;
    for (const Transfer& transfer : cb->transfers) pipes.push_back({transfer.fd, POLLOUT, 0});
    if (!client::pollOnce(deadline, pipes)) {
      sleepSeconds(deadline - monotonicSeconds());
      return true;
    }
    progressTransfers(*cb);
    if (monotonicSeconds() >= deadline) return true;
  }
}

}  // namespace axb::platform::wayland::clipboard
