#pragma once

// Whether the client that has the keyboard focus has read the keyboard mapping since it was last
// changed, seen through RECORD: a client decodes the keys that follow a mapping change with the
// mapping it reads when it handles that change's notice, so the mapping may change again only
// once it has read it.
//
// Every change request (from any client) gives each client one notice. A client that reads the
// whole mapping through XKB for each notice it handles (toolkits over xkbcommon) has handled all
// of them once it has read as often as the mapping changed. Changes made before the watch began
// cannot be counted, so the first time a client is waited for, its reads must also have paused.
// A client that reads only the changed part (Xlib with XKB) marks its copy stale as soon as a
// notice reaches its queue, before it has handled the keys ahead of it, and one that reads the
// core mapping reads it once, lazily, for any number of notices: their reads say nothing about
// the keys, and the caller falls back to waiting a fixed time.

#include <X11/Xlib.h>
#include <X11/extensions/record.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>

#include "platform/x11/connection_x11.h"

namespace zorvel {

class TX11MapCatchUp {
 public:
  // Watches the requests of every client on connections of its own; `typing` is the connection
  // that changes the mapping. Without RECORD (or when it cannot start) it watches nothing.
  explicit TX11MapCatchUp(Display* typing);
  ~TX11MapCatchUp();
  TX11MapCatchUp(const TX11MapCatchUp&) = delete;
  TX11MapCatchUp& operator=(const TX11MapCatchUp&) = delete;

  bool Watching() const { return context_ != 0; }
  // The typing connection has just sent `requests` mapping changes and synced.
  void Changed(size_t requests) { changesSent_ += requests; }
  // Waits until the client that owns `window` has handled every mapping change so far, as told
  // above. False when that cannot be known: the client reads only parts of the mapping, did not
  // catch up within `timeout`, or the focus is no client's window. A window that once gave false
  // gives it again at once.
  bool WaitForClientOf(Window window, std::chrono::milliseconds timeout);

 private:
  using Clock = std::chrono::steady_clock;
  // What the watch knows of a client that reads the mapping.
  struct TReader {
    uint64_t handled = 0;  // changes whose notices it has handled
    bool partial = false;  // it reads only the changed part of the mapping, or the core one
    bool counted = false;  // its reads have once been seen to pause with nothing owed
    Clock::time_point lastRead;
  };
  static void OnRecord(XPointer closure, XRecordInterceptData* data);
  void Take(XID client, const unsigned char* request, size_t length, bool swapped);
  void TakeRead(XID client, bool whole);
  // True when `reader` has caught up; sets `unknowable` when it never can be told.
  bool CaughtUp(TReader& reader, bool& unknowable) const;
  void Process();

  TDisplayPtr control_;
  TDisplayPtr data_;
  XRecordContext context_ = 0;
  int xkbOpcode_ = -1;
  XID baseMask_ = 0;  // the bits of a resource id that name its client
  XID typingBase_ = 0;
  bool started_ = false;
  uint64_t changesSent_ = 0;     // by the typing connection
  uint64_t ownChangesSeen_ = 0;  // the same, as the server handled them
  uint64_t changesSeen_ = 0;     // by every client
  std::map<XID, TReader> readers_;
  std::set<Window> unknown_;
};

}  // namespace zorvel
