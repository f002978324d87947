#pragma once

#include <cstdint>
#include <string>

#include "model/action.h"

namespace zorvel {

// Text of an action in the column captioned `columnCaption` of the action list: "Type" gives the
// kind, "Action" the description, any other caption "unknown".
std::string ActionText(const TActionObj& action, const std::string& columnCaption);

// Milliseconds as seconds with at most three decimals and no trailing zeros: 5000 gives "5",
// 1500 "1.5", 25 "0.025".
std::string SecondsText(int32_t ms);

// Display name of a virtual-key code; empty for a code without a name.
std::string KeyName(int code);

}  // namespace zorvel
