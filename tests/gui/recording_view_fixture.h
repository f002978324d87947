#pragma once

// The recording window's controller on a fake desktop in a fresh folder: a scripted prompt, a
// fixed clock and the editor and options dialogs answered by the test.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <deque>
#include <functional>
#include <sstream>

#include "../support/answer_modal.h"
#include "../support/fixed_clock.h"
#include "../support/scripted_prompt.h"
#include "common/date_time.h"
#include "common/error.h"
#include "common/program_folder.h"
#include "fake_desktop.h"
#include "gui/main/ctrl.h"
#include "gui/recording/action_editor.h"
#include "gui/recording/record_config_dlg.h"
#include "gui/recording/record_view.h"
#include "gui/recording/record_view_window.h"
#include "gui/widgets/prompt.h"
#include "model/xml_document.h"
#include "platform/fake/fake_hotkeys.h"
#include "platform/fake/fake_input_source.h"
#include "qt_wait.h"
#include "recording/record_settings.h"
#include "temp_folder.h"

namespace zorvel {

inline constexpr uint32_t VK_F2 = VK_F1 + 1;
inline constexpr uint32_t VK_F3 = VK_F1 + 2;

// Answers the editor and the options dialog from a script, recording what was asked.
class TScriptedDialogs : public IRecordViewDialogs {
 public:
  using Editor = std::function<bool(const TActionObj* shown, TActionObj& target)>;
  void QueueEditor(Editor editor) { editors_.push_back(std::move(editor)); }
  void QueueConfig(std::function<bool(TRecordSettings&)> config) {
    configs_.push_back(std::move(config));
  }
  std::vector<std::string> captions;
  TKeyWarning lastWarning;  // what the last options dialog was given

  bool RunActionEditor(const std::string& caption, const TActionObj* shown,
                       TActionObj& target) override {
    captions.push_back(caption);
    if (editors_.empty()) return false;
    Editor editor = std::move(editors_.front());
    editors_.pop_front();
    return editor(shown, target);
  }
  bool RunRecordConfig(TRecordSettings& settings, const TKeyWarning& warning) override {
    lastWarning = warning;
    captions.push_back("Record Config");
    if (configs_.empty()) return false;
    auto config = std::move(configs_.front());
    configs_.pop_front();
    return config(settings);
  }

 private:
  std::deque<Editor> editors_;
  std::deque<std::function<bool(TRecordSettings&)>> configs_;
};

// An editor answer that accepts with the given delay.
inline TScriptedDialogs::Editor AcceptDelay(int32_t delay) {
  return [delay](const TActionObj*, TActionObj& target) {
    target.actionType = uint8_t(ActionType::Delay);
    target.delay = delay;
    return true;
  };
}

inline std::string Serialized(const TActionCtrl& macro) {
  pugi::xml_document doc;
  macro.WriteToNode(doc.append_child("zorvel"));
  std::ostringstream out;
  doc.save(out);
  return macro.FName + "|" + macro.FCreateTime + "|" + out.str();
}

// The delays of a macro's actions or of the window's rows, in order.
template <typename Actions>
std::vector<int32_t> Delays(const Actions& actions) {
  std::vector<int32_t> delays;
  for (const TActionPtr& action : actions) delays.push_back(action->delay);
  return delays;
}

inline std::vector<int32_t> RowDelays(const TActionRowModel& rows) {
  return Delays(rows.Rows());
}

class RecordViewTest : public ::testing::Test {
 protected:
  RecordViewTest() {
    test::TFakeDesktop fake = test::MakeFakeDesktop(640, 480);
    hotkeys = fake.hotkeys;
    source = fake.source;
    ctrl = std::make_unique<TCtrl>(std::move(fake.desktop), prompt, clock, folder.path());
    ctrl->Settings() = {true, true, 1, 2};
  }

  // A macro with delays 1, 2, 3 saved under `name`.
  TActionCtrlPtr SavedMacro(const std::string& name, std::vector<int32_t> delays = {1, 2, 3}) {
    auto macro = std::make_shared<TActionCtrl>(ctrl->Document(), folder.path());
    macro->FName = name;
    macro->FCreateTime = "01/01/26";
    for (const int32_t delay : delays) {
      auto action = std::make_shared<TActionObj>();
      action->actionType = uint8_t(ActionType::Delay);
      action->delay = delay;
      macro->Actions.Add(action);
    }
    macro->SaveDocument();
    return macro;
  }

  std::unique_ptr<TRecordViewCtrl> Open(TActionCtrlPtr macro) {
    auto view =
        std::make_unique<TRecordViewCtrl>(ctrl->RecordServices(), std::move(macro), dialogs);
    view->InitView();
    return view;
  }

  TActionCtrlPtr Stored(const std::string& name) {
    auto macro = std::make_shared<TActionCtrl>(ctrl->Document(), folder.path());
    macro->FName = name;
    macro->LoadDocumentOrThrow();
    return macro;
  }

  void Deliver(uint32_t message, uint32_t l, uint32_t h, uint32_t time) {
    source->Deliver({message, l, h, time, 0});
  }

  void PressHotkey(uint32_t modifiers, uint32_t vk) {
    hotkeys->Press(modifiers, vk);
    hotkeys->Dispatch();
  }

  test::TempFolder folder;
  TScriptedPrompt prompt;
  TFixedClock clock{{2026, 12, 7, 14, 23, 5}};
  TFakeHotkeys* hotkeys = nullptr;
  TFakeInputSource* source = nullptr;
  std::unique_ptr<TCtrl> ctrl;
  TScriptedDialogs dialogs;
};

}  // namespace zorvel
