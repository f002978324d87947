// Recording and editing a macro in the real program under Xvfb, driven by xdotool: a recording made
// with the Alt+F-key hotkeys into a logging window, saved, and played back into a fresh logging
// window; point and colour capture in the action editor.

#include <gtest/gtest.h>

#include <thread>

#include "app_e2e_support.h"
#include "paint_window_scene.h"

namespace zorvel::test {
namespace {

using namespace std::chrono_literals;

constexpr int kEdFixedX = 158, kEdFixedY = 127;
constexpr int kEdColorX = 158, kEdColorY = 153;
constexpr int kEdCaptureX = 400, kEdCaptureY = 102;
constexpr int kEdOkX = 608, kEdOkY = 562;

// The log lines a recording should reproduce: button presses and releases with their screen
// position, presses of the keys typed, and the finished lines of text.
std::vector<std::string> Replayable(const std::vector<std::string>& lines) {
  std::vector<std::string> kept;
  for (const std::string& line : lines) {
    if (line.rfind("Button", 0) == 0) {
      const size_t x = line.find(" x=");
      const size_t rx = line.find(" rx=");
      const size_t state = line.find(" state=");
      kept.push_back(line.substr(0, x) + line.substr(rx, state - rx));
    } else if (line.rfind("KeyPress", 0) == 0) {
      for (const char* key : {"keysym=a ", "keysym=b ", "keysym=Return "})
        if (line.find(key) != std::string::npos) kept.push_back(key);
    } else if (line.rfind("Line ", 0) == 0) {
      kept.push_back(line);
    }
  }
  return kept;
}

class RecordMacro : public TAppTest {
 protected:
  void StartProgram() {
    ASSERT_TRUE(LaunchApp(main_));
    std::this_thread::sleep_for(500ms);
  }

  TWindowBox main_;
};

TEST_F(RecordMacro, RecordedWithHotkeysSavedAndPlayedBack) {
  std::string firstLogId;
  auto firstLog = StartLog("first.log", kRecordLogGeometry, firstLogId);
  StartProgram();
  ClickAt(main_, kMainNewX, kMainNewY);
  const TWindowBox recorder = WaitWindow("Macro Recorder");
  ASSERT_NE(recorder.id, 0u);

  ASSERT_FALSE(ShowsRecording(recorder));
  Xdo("key alt+F2");
  ASSERT_TRUE(WaitShowsRecording(recorder, true)) << "Alt+F2 did not start";
  Screenshot(recorder, "record_view_recording.png");
  SendRecordedInput(firstLogId);
  Xdo("key alt+F3");
  ASSERT_TRUE(WaitShowsRecording(recorder, false)) << "Alt+F3 did not stop";
  std::this_thread::sleep_for(300ms);
  Screenshot(recorder, "record_view_recorded.png");
  SaveAs(recorder, "Recorded");

  const TActionCtrl macro = Stored("Recorded");
  const std::vector<std::string> expected = {
      "click 0 2 1560,90", "click 0 3 1560,90", "click 1 2 1700,180", "click 1 3 1700,180",
      "key 65 0",          "key 65 1",          "key 66 0",           "key 66 1",
      "key 13 0",          "key 13 1"};
  EXPECT_EQ(RecordedSteps(macro), expected);
  // A Delay between every two recorded events.
  for (size_t i = 1; i < macro.Actions.Count(); i += 2)
    EXPECT_EQ(macro.Actions.Get(i)->actionType, uint8_t(ActionType::Delay)) << i;

  firstLog.reset();
  std::string secondLogId;
  auto secondLog = StartLog("second.log", kRecordLogGeometry, secondLogId);
  Xdo("windowfocus " + secondLogId);
  std::this_thread::sleep_for(300ms);
  Xdo("key ctrl+F2");  // the new macro's start key
  ASSERT_TRUE(WaitUntil(
      "the playback to finish its line",
      [&] {
        for (const std::string& line : folder_.Lines("second.log"))
          if (line.rfind("Line ", 0) == 0) return true;
        return false;
      },
      [&] { return "the window's log: " + LastLines(folder_.Lines("second.log")); }, {20s}));
  std::this_thread::sleep_for(500ms);
  const std::vector<std::string> recorded = Replayable(folder_.Lines("first.log"));
  EXPECT_EQ(Replayable(folder_.Lines("second.log")), recorded);
  const std::vector<std::string> typed = {"ButtonPress button=1 rx=1560 ry=90",
                                          "ButtonRelease button=1 rx=1560 ry=90",
                                          "ButtonPress button=3 rx=1700 ry=180",
                                          "ButtonRelease button=3 rx=1700 ry=180",
                                          "keysym=a ",
                                          "keysym=b ",
                                          "keysym=Return ",
                                          "Line \"ab\""};
  EXPECT_EQ(recorded, typed);
}

TEST_F(RecordMacro, EditorCapturesThePointAndColourUnderThePointer) {
  namespace scene = paint_scene;
  auto paint = std::make_unique<TChildProcess>(std::vector<std::string>{
      BuiltProgram("zorvel-test-paint-window"), "--out", folder_.File("paint.log")});
  ASSERT_TRUE(WaitUntil("the paint window to come up",
                        [&] { return !folder_.Lines("paint.log").empty(); }, {}, {15s}));
  StartProgram();
  ClickAt(main_, kMainNewX, kMainNewY);
  const TWindowBox recorder = WaitWindow("Macro Recorder");
  ClickAt(recorder, kRecNewX, kRecNewY);
  const TWindowBox editor = WaitWindow("New Action");
  ASSERT_NE(editor.id, 0u);

  ClickAt(editor, kEdFixedX, kEdFixedY);
  ClickAt(editor, kEdCaptureX, kEdCaptureY);
  Xdo("mousemove 333 222");
  std::this_thread::sleep_for(300ms);
  Xdo("mousemove 345 234");  // the capture follows the pointer
  std::this_thread::sleep_for(300ms);
  Xdo("windowfocus " + std::to_string(editor.id));
  Xdo("key a");  // a character key ends the capture
  std::this_thread::sleep_for(300ms);
  Xdo("mousemove 400 300");  // no longer followed

  ClickAt(editor, kEdColorX, kEdColorY);
  ClickAt(editor, kEdCaptureX, kEdCaptureY);
  Xdo("mousemove " + std::to_string(scene::kBlockX + 3) + " " + std::to_string(scene::kBlockY + 4));
  std::this_thread::sleep_for(400ms);
  Xdo("windowfocus " + std::to_string(editor.id));
  Xdo("key a");
  std::this_thread::sleep_for(300ms);
  Screenshot(editor, "action_editor_colour.png");
  ClickAt(editor, kEdOkX, kEdOkY);
  std::this_thread::sleep_for(500ms);
  Screenshot(recorder, "record_view_new_action.png");
  SaveAs(recorder, "Captured");

  const TActionCtrl macro = Stored("Captured");
  ASSERT_EQ(macro.Actions.Count(), 1u);
  const TActionObj& action = *macro.Actions.Get(0);
  EXPECT_EQ(action.actionType, uint8_t(ActionType::MouseClick));
  EXPECT_EQ(action.mousePoint, uint8_t(MousePoint::ColorBlock));
  EXPECT_EQ(action.mouseClickPosX, 345);
  EXPECT_EQ(action.mouseClickPosY, 234);
  EXPECT_EQ(action.fColor, "$006432C8");  // 0xC83264 as 0x00BBGGRR
}

}  // namespace
}  // namespace zorvel::test
