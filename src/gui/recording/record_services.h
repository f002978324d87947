#pragma once

// What the recording window needs of the program. Whoever opens the window hands these in; every
// reference must outlive the window.

#include <cstdint>
#include <functional>
#include <string>

#include "gui/widgets/guard.h"
#include "model/action_ctrl.h"
#include "platform/platform.h"

namespace zorvel {

class IClock;
class IPrompt;
class TRecorder;
class TXMLDocument;
struct TRecordSettings;

// Receives the presses of one registered global hotkey, on the GUI thread.
using THotkeyHandler = std::function<void(uint32_t modifiers, uint32_t vk)>;

// The recording window registers its Alt+F-keys under these ids.
inline constexpr int kRecordHotkeyId = 0x200;

struct TRecordServices {
  TRecorder& recorder;
  TRecordSettings& settings;
  TActionsList& macros;
  TXMLDocument& document;
  IPrompt& prompt;
  IClock& clock;
  IInput& input;    // the action editor's point capture
  IScreen& screen;  // the action editor's colour capture
  std::string folder;
  TReportSink showStatus;  // the main window's status bar
  // Registers a global hotkey whose presses go to `handler` alone; false when another program
  // holds the combination.
  std::function<bool(int id, uint32_t modifiers, uint32_t vk, THotkeyHandler handler)>
      registerHotkey;
  std::function<void(int id)> unregisterHotkey;
  // True while a macro plays.
  std::function<bool()> macroPlaying;
  // True when another program holds the combination.
  std::function<bool(uint32_t modifiers, uint32_t vk)> heldElsewhere;
};

}  // namespace zorvel
