#pragma once

#include <string>

#include "model/action_ctrl.h"

namespace zorvel {

// Columns of the macro list, left to right.
inline constexpr int kMacroColumnCount = 8;
enum MacroColumn : int {
  kColumnName = 0,
  kColumnCreateTime = 1,
  kColumnStatus = 2,
  kColumnStartHotkey = 3,
  kColumnStopHotkey = 4,
  kColumnRepeatType = 5,
  kColumnFrequence = 6,
  kColumnScheduleTime = 7,
};

// Column captions: "Macro Name", "Create Time", ...
std::string MacroColumnCaption(int column);

// Text of one cell of a macro's row; empty for a column outside 0 ... 7 and for values the list
// has no text for (a schedule kind above 4, a weekday outside 0 ... 6).
std::string MacroCellText(const TActionCtrl& macro, int column);

}  // namespace zorvel
