// The application controller on its own: the hotkey dispatch that several windows listen to, the
// settings it loads and saves, and the end of a run reaching the main thread.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "gui/main/ctrl.h"
#include "gui/main/view_ctrl.h"
#include "main_fixture.h"
#include "recording/record_settings.h"

namespace zorvel::test {
namespace {

class Controller : public AppFixture {
 protected:
  std::unique_ptr<TCtrl> MakeCtrl() {
    TFakeDesktop fake = MakeFakeDesktop(64, 48);
    hotkeys_ = fake.hotkeys;
    return std::make_unique<TCtrl>(std::move(fake.desktop), prompt_, clock_, folder_);
  }
};

TEST_F(Controller, EachPressGoesToTheHandlerRegisteredForItsIdOnly) {
  auto ctrl = MakeCtrl();
  std::vector<std::string> heard;
  const auto record = [&](const std::string& who) {
    return [&heard, who](uint32_t modifiers, uint32_t vk) {
      heard.push_back(who + " " + std::to_string(modifiers) + " " + std::to_string(vk));
    };
  };
  EXPECT_TRUE(ctrl->RegisterHotkey(kRecordHotkeyId, MOD_ALT, VK_F1 + 1, record("record")));
  EXPECT_TRUE(ctrl->RegisterHotkey(kMacroHotkeyId + 1, MOD_CONTROL, VK_F1 + 1, record("macro")));
  hotkeys_->Press(MOD_ALT, VK_F1 + 1);
  ctrl->PumpEvents();
  hotkeys_->Press(MOD_CONTROL, VK_F1 + 1);
  ctrl->PumpEvents();
  ctrl->UnregisterHotkey(kMacroHotkeyId + 1);
  hotkeys_->Press(MOD_CONTROL, VK_F1 + 1);  // no longer registered: nobody hears it
  ctrl->PumpEvents();
  EXPECT_EQ(heard, (std::vector<std::string>{"record 1 113", "macro 2 113"}));
}

TEST_F(Controller, AHandlerMayUnregisterHotkeysWhileItRuns) {
  auto ctrl = MakeCtrl();
  std::vector<std::string> heard;
  ctrl->RegisterHotkey(kRecordHotkeyId, MOD_ALT, VK_F1, [&](uint32_t, uint32_t) {
    heard.push_back("closes both");
    ctrl->UnregisterHotkey(kRecordHotkeyId + 1);
    ctrl->UnregisterHotkey(kRecordHotkeyId);
  });
  ctrl->RegisterHotkey(kRecordHotkeyId + 1, MOD_ALT, VK_F1 + 1,
                       [&](uint32_t, uint32_t) { heard.push_back("gone"); });
  hotkeys_->Press(MOD_ALT, VK_F1);
  hotkeys_->Press(MOD_ALT, VK_F1 + 1);
  ctrl->PumpEvents();
  EXPECT_EQ(heard, std::vector<std::string>{"closes both"});
  EXPECT_TRUE(hotkeys_->Registrations().empty());
}

TEST_F(Controller, RefusedRegistrationIsReportedAndUnregisterFreesTheCombination) {
  auto ctrl = MakeCtrl();
  hotkeys_->Refuse(MOD_ALT, VK_F1);
  EXPECT_FALSE(ctrl->RegisterHotkey(kRecordHotkeyId, MOD_ALT, VK_F1, {}));
  EXPECT_TRUE(ctrl->RegisterHotkey(kRecordHotkeyId + 1, MOD_ALT, VK_F1 + 2, {}));
  ctrl->UnregisterHotkey(kRecordHotkeyId + 1);
  EXPECT_TRUE(hotkeys_->Registrations().empty());
}

TEST_F(Controller, SettingsStartEmptyAndShutdownSavesThem) {
  auto ctrl = MakeCtrl();
  EXPECT_EQ(ctrl->Settings(), (TRecordSettings{false, false, 0, 0}));
  ctrl->LoadSettings();
  EXPECT_EQ(ctrl->Settings(), (TRecordSettings{true, true, 1, 2}));
  ctrl->Settings().RecordKeyBoard = false;
  ctrl->Settings().RecordStartHotkey = 11;
  ctrl->Shutdown();
  TRecordSettings saved;
  TXMLDocument document;
  LoadSettings(document, folder_, saved);
  EXPECT_EQ(saved, (TRecordSettings{true, false, 11, 2}));
}

TEST_F(Controller, StatusReportsGoToTheSink) {
  auto ctrl = MakeCtrl();
  ctrl->ShowStatus("nobody listens");  // no sink yet: nothing happens
  std::vector<std::string> shown;
  ctrl->SetStatusSink([&](const std::string& text) { shown.push_back(text); });
  ctrl->ShowStatus("Ctrl+F5 is in use by another program");
  EXPECT_EQ(shown, std::vector<std::string>{"Ctrl+F5 is in use by another program"});
}

TEST_F(Controller, TheEndOfARunArrivesOnTheMainThreadAndIsDroppedAfterShutdown) {
  SaveMacro("Quick");
  auto ctrl = MakeCtrl();
  ctrl->ViewCtrl().LoadList();
  ASSERT_EQ(ctrl->Macros().Count(), 1u);
  const TActionCtrlPtr macro = ctrl->Macros().Get(0);
  ctrl->RunCtrl().Start(macro);
  EXPECT_TRUE(macro->FRunning);
  // The run of an empty macro ends at once; its end is handled only by the event loop.
  EXPECT_TRUE(WaitUntil(
      "the run to end", [&] { return !ctrl->RunCtrl().Running(); }, {}, WithQtEvents()));
  EXPECT_FALSE(macro->FRunning);

  ctrl->RunCtrl().Start(macro);
  ctrl->Shutdown();  // waits for the run; its queued end must find nothing to touch
  QCoreApplication::processEvents();
  ctrl.reset();
  QCoreApplication::processEvents();
}

}  // namespace
}  // namespace zorvel::test
