#include "platform/x11/map_catch_up_x11.h"

#include <X11/XKBlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/XKBproto.h>
#include <poll.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace zorvel {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kStartTimeout = std::chrono::seconds(2);
constexpr auto kStopTimeout = std::chrono::seconds(1);
// A client that has not read the mapping for this long, with notices left, is not handling them.
constexpr auto kPause = std::chrono::milliseconds(30);

uint16_t ReadCard16(const unsigned char* bytes, bool swapped) {
  uint16_t value = 0;
  std::memcpy(&value, bytes, sizeof value);
  return swapped ? static_cast<uint16_t>((value >> 8) | (value << 8)) : value;
}

// Waits up to `timeout` for the connection to have something to read.
void PollFor(Display* display, Clock::duration timeout) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(timeout).count();
  pollfd watch{ConnectionNumber(display), POLLIN, 0};
  poll(&watch, 1, static_cast<int>(std::clamp<long long>(ms, 0, 100)) + 1);
}

}  // namespace

TX11MapCatchUp::TX11MapCatchUp(Display* typing) {
  try {
    control_ = OpenX11Display();
    data_ = OpenX11Display();
  } catch (const std::exception&) {
    return;
  }
  int major = 0, minor = 0;
  if (!XRecordQueryVersion(control_.get(), &major, &minor)) return;
  baseMask_ = XRecordIdBaseMask(typing);
  typingBase_ = XAllocID(typing) & baseMask_;
  int event = 0, error = 0;
  if (!XQueryExtension(control_.get(), XkbName, &xkbOpcode_, &event, &error)) xkbOpcode_ = -1;

  XRecordRange* ranges[2] = {XRecordAllocRange(), XRecordAllocRange()};
  int count = 0;
  if (ranges[0]) {
    ranges[0]->core_requests = {X_ChangeKeyboardMapping, X_GetKeyboardMapping};
    ++count;
  }
  if (ranges[1] && count == 1 && xkbOpcode_ >= 0) {
    const auto opcode = static_cast<unsigned char>(xkbOpcode_);
    ranges[1]->ext_requests.ext_major = {opcode, opcode};
    ranges[1]->ext_requests.ext_minor = {X_kbGetMap, X_kbSetMap};
    ++count;
  }
  XRecordClientSpec clients = XRecordAllClients;
  {
    TX11ErrorTrap trap(control_.get());
    if (count > 0) context_ = XRecordCreateContext(control_.get(), 0, &clients, 1, ranges, count);
    if (trap.Sync() != 0) context_ = 0;
  }
  for (XRecordRange* range : ranges) XFree(range);
  if (context_ == 0) return;
  if (!XRecordEnableContextAsync(data_.get(), context_, &TX11MapCatchUp::OnRecord,
                                 reinterpret_cast<XPointer>(this))) {
    XRecordFreeContext(control_.get(), context_);
    XSync(control_.get(), False);
    context_ = 0;
    return;
  }
  XFlush(data_.get());
  const auto deadline = Clock::now() + kStartTimeout;
  while (!started_ && Clock::now() < deadline) {
    PollFor(data_.get(), deadline - Clock::now());
    Process();
  }
  if (!started_) {
    XRecordDisableContext(control_.get(), context_);
    XRecordFreeContext(control_.get(), context_);
    XSync(control_.get(), False);
    context_ = 0;
  }
}

TX11MapCatchUp::~TX11MapCatchUp() {
  if (context_ == 0) return;
  XRecordDisableContext(control_.get(), context_);
  XSync(control_.get(), False);
  // The end of the stream arrives on the data connection; it is drained before the context goes.
  const auto deadline = Clock::now() + kStopTimeout;
  while (started_ && Clock::now() < deadline) {
    PollFor(data_.get(), deadline - Clock::now());
    Process();
  }
  XRecordFreeContext(control_.get(), context_);
  XSync(control_.get(), False);
}

bool TX11MapCatchUp::WaitForClientOf(Window window, std::chrono::milliseconds timeout) {
  if (!Watching() || window == None || window == PointerRoot || unknown_.count(window))
    return false;
  const XID client = window & baseMask_;
  if (client == typingBase_) return false;
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    Process();
    bool unknowable = false;
    TReader& reader = readers_[client];
    if (CaughtUp(reader, unknowable)) return true;
    if (unknowable || Clock::now() >= deadline) break;
    PollFor(data_.get(), std::min<Clock::duration>(deadline - Clock::now(), kPause));
  }
  unknown_.insert(window);
  return false;
}

bool TX11MapCatchUp::CaughtUp(TReader& reader, bool& unknowable) const {
  unknowable = reader.partial;
  if (reader.partial || ownChangesSeen_ < changesSent_ || reader.handled < changesSeen_)
    return false;
  if (!reader.counted) {
    // Notices of changes made before the watch began may still be ahead of it: its reads must
    // pause first.
    if (Clock::now() - reader.lastRead < kPause) return false;
    reader.counted = true;
  }
  return true;
}

void TX11MapCatchUp::Process() {
  if (context_ != 0) XRecordProcessReplies(data_.get());
}

void TX11MapCatchUp::OnRecord(XPointer closure, XRecordInterceptData* data) {
  auto* self = reinterpret_cast<TX11MapCatchUp*>(closure);
  switch (data->category) {
    case XRecordStartOfData:
      self->started_ = true;
      break;
    case XRecordEndOfData:
      self->started_ = false;
      break;
    case XRecordFromClient:
      self->Take(data->id_base, data->data, data->data_len * 4, data->client_swapped);
      break;
    default:
      break;
  }
  XRecordFreeData(data);
}

// Notes one recorded request: a mapping change, or a client's read of the mapping.
void TX11MapCatchUp::Take(XID client, const unsigned char* request, size_t length, bool swapped) {
  if (length < 4) return;
  if (request[0] == X_ChangeKeyboardMapping) {
    ++changesSeen_;
    if (client == typingBase_) ++ownChangesSeen_;
    return;
  }
  if (client == typingBase_) return;
  if (request[0] == X_GetKeyboardMapping) {
    TakeRead(client, false);  // read lazily, once for any number of notices
    return;
  }
  if (xkbOpcode_ < 0 || request[0] != xkbOpcode_ || length < sz_xkbGetMapReq) return;
  if (request[1] == X_kbSetMap) {
    ++changesSeen_;
    return;
  }
  if (request[1] != X_kbGetMap) return;
  const uint16_t full = ReadCard16(request + offsetof(xkbGetMapReq, full), swapped);
  const uint16_t partial = ReadCard16(request + offsetof(xkbGetMapReq, partial), swapped);
  if ((full | partial) & XkbKeySymsMask) TakeRead(client, (full & XkbKeySymsMask) != 0);
}

// A read handles the oldest notice the client has not handled; the first read seen of a client
// is taken to handle them all (the pause it must make before it counts settles that).
void TX11MapCatchUp::TakeRead(XID client, bool whole) {
  const auto [it, first] = readers_.try_emplace(client);
  TReader& reader = it->second;
  reader.handled = first ? changesSeen_ : std::min(changesSeen_, reader.handled + 1);
  reader.partial = reader.partial || !whole;
  reader.lastRead = Clock::now();
}

}  // namespace zorvel
