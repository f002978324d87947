// The recording keys changed in the Record Config dialog of the real program under Xvfb, driven by
// xdotool: Alt+F5 and Alt+F6 start and stop a recording in the open recording window at once, the
// old Alt+F2 no longer starts one, and the new keys are kept in the settings file at shutdown.

#include <gtest/gtest.h>

#include <thread>

#include "app_e2e_support.h"

namespace zorvel::test {
namespace {

using namespace std::chrono_literals;

// Places inside the Record Config dialog: the two F-key lists.
constexpr int kCfgStartX = 232, kCfgStartY = 96;
constexpr int kCfgStopX = 232, kCfgStopY = 124;

class RecordConfigKeys : public TAppTest {
 protected:
  // Opens the F-key list at (x, y) in the dialog and moves its choice `steps` entries down.
  static void ChooseFKey(const TWindowBox& dialog, int x, int y, int steps) {
    ClickAt(dialog, x, y);
    std::string keys;
    for (int i = 0; i < steps; ++i) keys += " Down";
    Xdo("key --delay 50" + keys + " Return");
    std::this_thread::sleep_for(300ms);
  }

  TWindowBox main_;
};

TEST_F(RecordConfigKeys, NewKeysStartAndStopAtOnceAndAreStored) {
  std::string logId;
  auto log = StartLog("keys.log", kRecordLogGeometry, logId);
  ASSERT_TRUE(LaunchApp(main_));
  std::this_thread::sleep_for(500ms);
  ClickAt(main_, kMainNewX, kMainNewY);
  const TWindowBox recorder = WaitWindow("Macro Recorder");
  ASSERT_NE(recorder.id, 0u);

  Xdo("windowfocus " + std::to_string(recorder.id));
  Xdo("key alt+o");  // Record C&onfig
  const TWindowBox dialog = WaitWindow("Record Config");
  ASSERT_NE(dialog.id, 0u);
  Screenshot(dialog, "record_config_defaults.png");
  ChooseFKey(dialog, kCfgStartX, kCfgStartY, 3);  // F2 -> F5
  ChooseFKey(dialog, kCfgStopX, kCfgStopY, 3);    // F3 -> F6
  Screenshot(dialog, "record_config_f5_f6.png");
  Xdo("windowfocus " + std::to_string(dialog.id));
  Xdo("key alt+o");  // &OK
  ASSERT_TRUE(WaitUntil(
      "the dialog to close on OK", [] { return FindWindow("Record Config").id == 0; },
      [] { return "windows: " + WindowTitles(); }, {10s}));
  std::this_thread::sleep_for(300ms);

  Xdo("key alt+F2");  // the old start key is released
  std::this_thread::sleep_for(1s);
  ASSERT_FALSE(ShowsRecording(recorder)) << "Alt+F2 still starts a recording";

  Xdo("key alt+F5");
  ASSERT_TRUE(WaitShowsRecording(recorder, true)) << "Alt+F5 did not start";
  SendRecordedInput(logId);
  Xdo("key alt+F6");
  ASSERT_TRUE(WaitShowsRecording(recorder, false)) << "Alt+F6 did not stop";
  std::this_thread::sleep_for(300ms);
  SaveAs(recorder, "Config Keys");

  const std::vector<std::string> expected = {
      "click 0 2 1560,90", "click 0 3 1560,90", "click 1 2 1700,180", "click 1 3 1700,180",
      "key 65 0",          "key 65 1",          "key 66 0",           "key 66 1",
      "key 13 0",          "key 13 1"};
  EXPECT_EQ(RecordedSteps(Stored("Config Keys")), expected);

  EXPECT_EQ(app_->Stop(), Exited(0)) << "zorvel should end cleanly on SIGTERM";
  app_.reset();
  const std::string settings = folder_.Read("zorvelconfig.xml");
  EXPECT_NE(settings.find("RecordStartHotkey=\"4\""), std::string::npos) << settings;
  EXPECT_NE(settings.find("RecordStopHotkey=\"5\""), std::string::npos) << settings;
}

}  // namespace
}  // namespace zorvel::test
