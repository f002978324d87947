#pragma once

#include <string>

#include "model/action.h"

namespace zorvel {

// Text of an action in the column captioned `columnCaption` of the action list: "Type" gives the
// kind, "Action" the description, any other caption "unknown".
std::string ActionText(const TActionObj& action, const std::string& columnCaption);

// Display name of a virtual-key code; empty for a code without a name.
std::string KeyName(int code);

}  // namespace zorvel
