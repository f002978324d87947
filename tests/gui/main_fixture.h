#pragma once

// The main window on a fake desktop in a fresh folder, with a scripted prompt, a fixed clock and
// dialogs answered by the test.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTableView>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "../support/fixed_clock.h"
#include "../support/scripted_prompt.h"
#include "common/date_time.h"
#include "common/program_folder.h"
#include "fake_desktop.h"
#include "gui/main/ctrl.h"
#include "gui/main/main_view.h"
#include "gui/widgets/prompt.h"
#include "model/macro_list_text.h"
#include "model/xml_document.h"
#include "playback/run_ctrl.h"
#include "qt_wait.h"

namespace zorvel::test {

class AppFixture : public ::testing::Test {
 protected:
  AppFixture() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zorvel-app-XXXXXX").string();
    folder_ = mkdtemp(pattern.data());
  }
  ~AppFixture() override {
    window_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  std::string File(const std::string& name) const { return folder_ + "/" + name; }
  std::string Read(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(File(name), std::ios::binary) << text;
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(File(name)); }

  // Saves a macro document into the folder; `edit` sets its fields.
  void SaveMacro(const std::string& name, const std::function<void(TActionCtrl&)>& edit = {}) {
    TXMLDocument document;
    TActionCtrl macro(document, folder_);
    macro.FName = name;
    macro.FCreateTime = "12/08/26";
    if (edit) edit(macro);
    macro.SaveDocument();
  }

  // A run that lasts until it is stopped: one long delay, repeated until stopped.
  static void PlaysUntilStopped(TActionCtrl& macro) {
    auto wait = std::make_shared<TActionObj>();
    wait->actionType = static_cast<uint8_t>(ActionType::Delay);
    wait->delay = 60'000;
    macro.Actions.Add(wait);
    macro.Config.RepeatType = 2;
  }

  // Opens the window on one macro "Busy" that plays until stopped, and starts it.
  void OpenAndRunBusyMacro() {
    SaveMacro("Busy", PlaysUntilStopped);
    Open();
    Focus(0);
    View().RunMacro();
  }

  // Builds the window on fakes and shows it (which runs the start-up sequence).
  void Open() {
    TFakeDesktop fake = MakeFakeDesktop(640, 480);
    hotkeys_ = fake.hotkeys;
    input_ = fake.input;
    for (const auto& [modifiers, vk] : refused_) hotkeys_->Refuse(modifiers, vk);
    fake.desktop.notice = desktopNotice_;
    window_ = std::make_unique<TFMMainView>(std::move(fake.desktop), clock_, folder_, &prompt_);
    TViewDialogs dialogs;
    dialogs.recordView = [this](TActionCtrlPtr macro) {
      ++recordViewCalls_;
      return recordView_ ? recordView_(std::move(macro)) : nullptr;
    };
    if (!realDialogs_) {
      dialogs.actionConfig = [this](TActionConfig& config, const TKeyWarning& warning) {
        ++configCalls_;
        keyWarning_ = warning;
        if (editConfig_) editConfig_(config);
      };
      dialogs.schedule = [this](TActionSchedule& schedule) {
        ++scheduleCalls_;
        if (editSchedule_) editSchedule_(schedule);
      };
    }
    window_->SetDialogs(dialogs);
    window_->SetUrlOpener([this](const std::string& address) {
      openedUrls_.push_back(address);
      return urlOpens_;
    });
    window_->show();
  }

  TCtrl& Ctrl() { return *window_->Ctrl(); }
  TViewCtrl& View() { return Ctrl().ViewCtrl(); }
  TRunCtrl& Runs() { return Ctrl().RunCtrl(); }
  QTableView& List() { return window_->List(); }
  int Rows() { return List().model()->rowCount(); }
  std::string Cell(int row, int column) {
    return List().model()->index(row, column).data().toString().toStdString();
  }
  std::string Status(int row) { return Cell(row, kColumnStatus); }
  void Focus(int row) { List().setCurrentIndex(List().model()->index(row, 0)); }

  // Puts the macros (and rows) in the order of `names`; the scan's order is the directory's.
  void Arrange(const std::vector<std::string>& names) {
    TActionsList arranged;
    for (const std::string& name : names)
      for (const auto& macro : Ctrl().Macros())
        if (macro->FName == name) arranged.Add(macro);
    ASSERT_EQ(arranged.Count(), Ctrl().Macros().Count());
    Ctrl().Macros() = arranged;
    View().FillList();
  }
  int RowOf(const std::string& name) {
    for (int row = 0; row < Rows(); ++row)
      if (Cell(row, kColumnName) == name) return row;
    return -1;
  }

  // A press of Ctrl (or other modifiers) + F(index + 1) on the fake desktop.
  void Press(int index, uint32_t modifiers = MOD_CONTROL) {
    hotkeys_->Press(modifiers, VK_F1 + index);
    Ctrl().PumpEvents();
  }

  // Lets the end of a stopped run arrive.
  ::testing::AssertionResult WaitIdle() {
    return WaitUntil(
        "the run to end", [this] { return !Runs().Running(); },
        [this] { return "the status bar: " + window_->StatusText().toStdString(); },
        WithQtEvents());
  }

  std::string folder_;
  TScriptedPrompt prompt_;
  TFixedClock clock_;
  TFakeHotkeys* hotkeys_ = nullptr;
  TFakeInput* input_ = nullptr;
  std::vector<std::pair<uint32_t, uint32_t>> refused_;
  std::string desktopNotice_;
  std::function<TActionCtrlPtr(TActionCtrlPtr)> recordView_;
  std::function<void(TActionConfig&)> editConfig_;
  TKeyWarning keyWarning_;    // what the last options dialog was given
  bool realDialogs_ = false;  // the real options and schedule dialogs instead of the script
  std::function<void(TActionSchedule&)> editSchedule_;
  int recordViewCalls_ = 0;
  int configCalls_ = 0;
  int scheduleCalls_ = 0;
  std::vector<std::string> openedUrls_;
  bool urlOpens_ = true;
  std::unique_ptr<TFMMainView> window_;
};

}  // namespace zorvel::test
