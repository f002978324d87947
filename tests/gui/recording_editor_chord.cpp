// The editor's chord capture and the Return check box of Type Text.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "../support/scripted_prompt.h"
#include "gui/recording/action_editor.h"
#include "gui/recording/editor_chord.h"
#include "platform/fake/fake_input.h"
#include "platform/fake/fake_screen.h"

namespace zorvel {
namespace {

// "down 17" for a key-down of VK 17, "up 83" for a key-up of S.
std::vector<std::string> Steps(const std::vector<TActionObj>& actions) {
  std::vector<std::string> steps;
  for (const TActionObj& a : actions) {
    EXPECT_EQ(a.actionType, uint8_t(ActionType::Keyboard));
    const bool down = a.keyAction == uint8_t(KeyAction::KeyDown);
    steps.push_back(std::string(down ? "down " : "up ") + std::to_string(a.key));
  }
  return steps;
}

class ChordTest : public ::testing::Test {
 protected:
  ChordTest() { frame.rbKey->click(); }
  void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(frame.btnChord, key, modifiers);
  }

  TFakeInput input;
  TFakeScreen screen{200, 100};
  TScriptedPrompt prompt;
  TDefineForm form{{input, screen, prompt}};
  TfrmDefine& frame = form.Frame();
};

TEST_F(ChordTest, CtrlShiftSInsertsSixActionsInPlayingOrder) {
  frame.btnChord->click();
  EXPECT_TRUE(frame.CapturingChord());
  Press(Qt::Key_Control, Qt::ControlModifier);  // a modifier alone keeps waiting
  EXPECT_TRUE(frame.CapturingChord());
  Press(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_FALSE(frame.CapturingChord());
  EXPECT_EQ(frame.lbChord->text(), "Will insert Ctrl+Shift+S");
  EXPECT_EQ(Steps(form.FillActions()),
            (std::vector<std::string>{"down 17", "down 16", "down 83", "up 83", "up 16", "up 17"}));
}

TEST_F(ChordTest, KeysThatMoveFocusOrCloseTheDialogAreCaptured) {
  form.show();
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Tab, Qt::Key_Space}) {
    frame.btnChord->click();
    Press(key, Qt::AltModifier);
    EXPECT_TRUE(form.isVisible()) << key;
    ASSERT_TRUE(frame.Chord().has_value());
    EXPECT_EQ(frame.Chord()->modifiers, uint32_t{MOD_ALT});
  }
  EXPECT_EQ(Steps(form.FillActions()),
            (std::vector<std::string>{"down 18", "down 32", "up 32", "up 18"}));
}

TEST_F(ChordTest, EscapeCancelsAndOtherKindsMakeOneAction) {
  frame.btnChord->click();
  Press(Qt::Key_Escape);
  EXPECT_FALSE(frame.CapturingChord());
  EXPECT_FALSE(frame.Chord().has_value());
  EXPECT_EQ(form.FillActions().size(), 1u);  // the key list's own action

  frame.btnChord->click();
  Press(Qt::Key_F5);
  frame.rbText->click();  // a chord counts only for the Keystroke kind
  frame.edText->setText("t");
  const std::vector<TActionObj> made = form.FillActions();
  ASSERT_EQ(made.size(), 1u);
  EXPECT_EQ(made[0].typeText, "t");
}

TEST_F(ChordTest, WinKeyIsRefusedAndEditingHidesTheCapture) {
  frame.btnChord->click();
  Press(Qt::Key_D, Qt::MetaModifier);
  EXPECT_TRUE(frame.CapturingChord());
  EXPECT_FALSE(frame.Chord().has_value());

  TActionObj shown;
  form.ShowAction(shown);
  EXPECT_TRUE(frame.btnChord->isHidden());
  EXPECT_FALSE(frame.CapturingChord());
}

TEST(KeyChord, QtKeysMapToTheUnshiftedKey) {
  const std::pair<int, int> cases[] = {
      {Qt::Key_A, 0x41},    {Qt::Key_9, 0x39},     {Qt::Key_Exclam, 0x31}, {Qt::Key_F12, 0x7B},
      {Qt::Key_Plus, 0xBB}, {Qt::Key_Enter, 0x0D}, {Qt::Key_Down, 0x28},   {Qt::Key_Question, 0xBF},
      {Qt::Key_Shift, -1},  {Qt::Key_Control, -1}, {Qt::Key_Meta, -1},     {Qt::Key_F25, -1}};
  for (const auto& [qtKey, vk] : cases) {
    const std::optional<uint8_t> found = VkOfQtKey(qtKey);
    EXPECT_EQ(found ? int{*found} : -1, vk) << qtKey;
  }
  EXPECT_EQ(ChordText({MOD_ALT | MOD_CONTROL, 0x0D}), "Ctrl+Alt+Enter");
  EXPECT_EQ(ChordText({0, 0x2E}), "Delete");
}

TEST(TypeReturnBox, OnByDefaultAndCarriedBothWays) {
  TFakeInput input;
  TFakeScreen screen{10, 10};
  TScriptedPrompt prompt;
  TDefineForm form{{input, screen, prompt}};
  EXPECT_TRUE(form.Frame().cbTypeReturn->isChecked());
  TActionObj action;
  action.actionType = uint8_t(ActionType::TypeText);
  action.typeReturn = false;
  form.ShowAction(action);
  EXPECT_FALSE(form.Frame().cbTypeReturn->isChecked());
  TActionObj filled;
  form.FillAction(filled);
  EXPECT_FALSE(filled.typeReturn);
  form.Frame().cbTypeReturn->setChecked(true);
  form.FillAction(filled);
  EXPECT_TRUE(filled.typeReturn);
}

}  // namespace
}  // namespace zorvel
