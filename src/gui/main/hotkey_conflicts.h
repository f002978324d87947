#pragma once

// Start and stop keys that clash: with another listed macro's keys, or with a key another program
// holds. A press goes to the first macro in list order that matches, so a clash silently
// decides which macro a key plays.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/action_ctrl.h"

namespace zorvel {

// Whether another program holds Ctrl + the F-key of `index`.
using TKeyHeld = std::function<bool(int32_t index)>;

// The names of the macros in `macros`, `self` left out, whose start or stop key is `index`.
std::vector<std::string> MacrosUsingKey(const TActionsList& macros, const TActionCtrl* self,
                                        int32_t index);

// The warning "Macro Config" shows for `self` with start key `start` and stop key `stop`: each
// key another macro uses, and each key another program holds. Empty when there is none.
std::string MacroKeyWarning(const TActionsList& macros, const TActionCtrl* self, int32_t start,
                            int32_t stop, const TKeyHeld& held);

// The start-up report of keys that several macros share ("Ctrl+F2 is shared by "A" and "B"");
// empty when no two macros share a key.
std::string SharedKeysReport(const TActionsList& macros);

}  // namespace zorvel
