#pragma once

// Planning which spare key places carry the characters a keyboard lacks while a text is typed.
//
// A text's characters that no key carries are lent spare places (a place is one level of a spare
// key). A change of the places is a batch: it costs a pause for the clients to catch up, so the
// whole text is planned before its first key. When a character is missing from the places, the
// places are filled with the characters needed soonest from there on (a place whose character
// is among them keeps it), so each batch lasts as long as any batch could and the text needs as
// few batches as there can be: a character that leaves its place is not needed again before the
// next batch. Empty places are filled before taken ones.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace zorvel {

// What a character of the text is called by the backend (e.g. an X keysym); 0 is no character.
using TLendSymbol = uint64_t;

// One spare place as the plan starts.
struct TLendPlace {
  TLendSymbol symbol = 0;  // 0: empty
  bool locked = false;     // held by a key that is down: keeps its symbol
};

// Places rewritten before the key at `start` is typed.
struct TLendBatch {
  size_t start = 0;
  struct Write {
    size_t place = 0;
    TLendSymbol symbol = 0;
    bool operator==(const Write&) const = default;
  };
  std::vector<Write> writes;
};

struct TLendPlan {
  static constexpr size_t kNoPlace = std::numeric_limits<size_t>::max();
  std::vector<TLendBatch> batches;
  // For every key of the text: the place it is typed through; kNoPlace for a key that needs no
  // place (symbol 0) and for one that cannot get one (every place locked).
  std::vector<size_t> placeOf;
};

// Plans `text` (0 for a key the keyboard has) over `places`, in their order of preference for
// empty ones (so a backend lists its first levels before its second ones).
TLendPlan PlanLending(const std::vector<TLendSymbol>& text, const std::vector<TLendPlace>& places);

}  // namespace zorvel
