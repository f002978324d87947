#include <gtest/gtest.h>

#include "model/action_text.h"
#include "model/macro_list_text.h"
#include "model/xml_document.h"

namespace zorvel {
namespace {

TActionObj Action(uint8_t type) {
  TActionObj action;
  action.actionType = type;
  return action;
}

TEST(ActionText, KindTextByActionType) {
  const std::pair<uint8_t, const char*> cases[] = {
      {0, "Mouse Click"}, {1, "Mouse Move"}, {2, "Keyboard"}, {3, "Type Text"},
      {4, "Delay"},       {5, "unknown"},    {9, "unknown"},  {255, "unknown"},
  };
  for (const auto& [type, text] : cases) EXPECT_EQ(ActionText(Action(type), "Type"), text);
}

TEST(ActionText, OtherColumnCaptionsGiveUnknown) {
  for (const char* caption : {"No.", "", "type", "action", "Action ", "Delay"})
    EXPECT_EQ(ActionText(Action(4), caption), "unknown") << caption;
  EXPECT_EQ(ActionText(Action(9), "Action"), "unknown");
}

TEST(ActionText, DescribesClicks) {
  struct Case {
    uint8_t button, mouseAction, point;
    const char* text;
  };
  const Case cases[] = {
      {0, 0, 0, "Left Button Single Click on mouse current point"},
      {1, 1, 1, "Right Button Double Click on fixed point:(-20 : 15)"},
      {2, 2, 2, "Middle Button Button Down on the Color: $00563412"},
      {0, 3, 3, "Left Button Button Up on the Picture"},
      {2, 4, 1, "Middle Button Button Wheel on fixed point:(-20 : 15)"},
      {5, 0, 0, "unknown Single Click on mouse current point"},
      {0, 5, 0, "Left Button on mouse current point"},
      {0, 0, 4, "Left Button Single Click"},
      {200, 200, 200, "unknown"},
  };
  for (const auto& c : cases) {
    TActionObj action = Action(0);
    action.mouseButton = c.button;
    action.mouseAction = c.mouseAction;
    action.mousePoint = c.point;
    action.mouseClickPosX = -20;
    action.mouseClickPosY = 15;
    action.fColor = "$00563412";
    EXPECT_EQ(ActionText(action, "Action"), c.text);
  }
}

TEST(ActionText, ColourAndPictureClicksSayHowTheyWait) {
  struct Case {
    uint8_t point;
    int32_t waitTimeout;
    NotFoundChoice notFound;
    const char* text;
  };
  const Case cases[] = {
      {2, 5000, NotFoundChoice::Stop,
       "Left Button Single Click on the Color: clRed, wait 5 s, else stop"},
      {3, 1500, NotFoundChoice::Skip, "Left Button Single Click on the Picture, wait 1.5 s"},
      {3, 0, NotFoundChoice::Stop, "Left Button Single Click on the Picture, else stop"},
      {1, 5000, NotFoundChoice::Stop, "Left Button Single Click on fixed point:(0 : 0)"},
  };
  for (const auto& c : cases) {
    TActionObj action = Action(0);
    action.mousePoint = c.point;
    action.fColor = "clRed";
    action.waitTimeout = c.waitTimeout;
    action.notFound = c.notFound;
    EXPECT_EQ(ActionText(action, "Action"), c.text);
  }
  const std::pair<int32_t, const char*> seconds[] = {{0, "0"},      {25, "0.025"},
                                                     {500, "0.5"},  {1250, "1.25"},
                                                     {60000, "60"}, {2147483647, "2147483.647"}};
  for (const auto& [ms, text] : seconds) EXPECT_EQ(SecondsText(ms), text) << ms;
}

TEST(ActionText, DescribesMovesKeysTextsAndDelays) {
  TActionObj move = Action(1);
  move.mouseMovePosX = 10;
  move.mouseMovePosY = -5;
  EXPECT_EQ(ActionText(move, "Action"), "Mouse Move to (10 : -5)");

  const std::tuple<int32_t, uint8_t, const char*> keys[] = {
      {13, 2, "Key :([Enter]) Press"}, {65, 0, "Key :(A) Down"}, {112, 1, "Key :(F1) Up"},
      {0, 0, "Key :() Down"},          {7, 3, "Key :()"},        {256 + 65, 2, "Key :() Press"},
  };
  for (const auto& [code, keyAction, text] : keys) {
    TActionObj key = Action(2);
    key.key = code;
    key.keyAction = keyAction;
    EXPECT_EQ(ActionText(key, "Action"), text);
  }

  TActionObj type = Action(3);
  type.typeText = "hello";
  EXPECT_EQ(ActionText(type, "Action"), "TypeText:hello");
  type.typeText = "";
  EXPECT_EQ(ActionText(type, "Action"), "TypeText:");
  type.typeReturn = false;
  EXPECT_EQ(ActionText(type, "Action"), "TypeText (no Return):");

  TActionObj delay = Action(4);
  EXPECT_EQ(ActionText(delay, "Action"), "Delay 1000 ms");
  delay.delay = -250;
  EXPECT_EQ(ActionText(delay, "Action"), "Delay -250 ms");
}

TEST(KeyName, NamesEveryCodeOfTheTable) {
  std::map<int, std::string> expected = {
      {1, "[LButton]"},
      {2, "[RButton]"},
      {3, "[Cancel]"},
      {4, "[MButton]"},
      {8, "[BackSpace]"},
      {9, "[Tab]"},
      {12, "[Clear]"},
      {13, "[Enter]"},
      {16, "[Shift]"},
      {17, "[Ctrl]"},
      {18, "[Alt]"},
      {19, "[Pause]"},
      {20, "[Capital]"},
      {27, "[Escape]"},
      {32, "[Space]"},
      {33, "[Page Up]"},
      {34, "[Page Down]"},
      {35, "[End]"},
      {36, "[Home]"},
      {37, "[Left]"},
      {38, "[Up]"},
      {39, "[Right]"},
      {40, "[Down]"},
      {41, "[Select]"},
      {43, "[Execute]"},
      {44, "[Print Screen]"},
      {45, "[Insert]"},
      {46, "[Delete]"},
      {106, "Num[*]"},
      {107, "Num[+]"},
      {109, "Num[-]"},
      {110, "Num[.]"},
      {111, "Num[/]"},
      {144, "[Num Lock]"},
      {145, "[Scroll Lock]"},
      {186, ";"},
      {187, "="},
      {188, ","},
      {189, "-"},
      {190, "."},
      {191, "/"},
      {192, "`"},
      {219, "["},
      {220, "\\"},
      {221, "]"},
      {222, "'"},
  };
  for (int digit = 0; digit <= 9; ++digit) {
    expected[48 + digit] = std::to_string(digit);
    expected[96 + digit] = "Num[" + std::to_string(digit) + "]";
  }
  for (char letter = 'A'; letter <= 'Z'; ++letter) expected[letter] = std::string(1, letter);
  for (int f = 1; f <= 12; ++f) expected[111 + f] = "F" + std::to_string(f);

  for (int code = -300; code < 600; ++code) {
    auto it = expected.find(code);
    EXPECT_EQ(KeyName(code), it == expected.end() ? "" : it->second) << code;
  }
  EXPECT_EQ(KeyName(121), "F10");
  EXPECT_EQ(KeyName(108), "");
  EXPECT_EQ(KeyName(223), "");
}

class MacroListText : public ::testing::Test {
 protected:
  TXMLDocument document;
  TActionCtrl macro{document, "."};

  std::vector<std::string> Row() const {
    std::vector<std::string> cells;
    for (int column = 0; column < kMacroColumnCount; ++column)
      cells.push_back(MacroCellText(macro, column));
    return cells;
  }
};

TEST_F(MacroListText, ANewMacroShowsItsDefaults) {
  macro.FName = "Test";
  macro.FCreateTime = "12/08/26";
  EXPECT_EQ(Row(), (std::vector<std::string>{"Test", "12/08/26", "Stopped", "Ctrl + F2",
                                             "Ctrl + F3", "Once", "none", "none"}));
  macro.FRunning = true;
  EXPECT_EQ(MacroCellText(macro, kColumnStatus), "Running");
  EXPECT_EQ(MacroCellText(macro, -1), "");
  EXPECT_EQ(MacroCellText(macro, 8), "");
  EXPECT_EQ(MacroColumnCaption(0), "Macro Name");
  EXPECT_EQ(MacroColumnCaption(6), "Frequence");
  EXPECT_EQ(MacroColumnCaption(7), "Schedule Time");
}

TEST_F(MacroListText, HotkeyAndRepeatCells) {
  const std::tuple<int32_t, int32_t, int32_t, const char*, const char*> cases[] = {
      {0, 0, 1, "Ctrl + F1", "Once"},
      {11, 1, 5, "Ctrl + F12", "5 Times"},
      {4, 1, 0, "Ctrl + F5", "0 Times"},
      {-1, 2, 5, "Ctrl + F0", "till get order"},
      {2147483647, 7, 5, "Ctrl + F2147483648", "till get order"},
      {3, -1, 5, "Ctrl + F4", "till get order"},
  };
  for (const auto& [hotkey, repeatType, times, hotkeyText, repeatText] : cases) {
    macro.Config.StartHotkey = hotkey;
    macro.Config.StopHotkey = hotkey;
    macro.Config.RepeatType = repeatType;
    macro.Config.RepeatTimes = times;
    EXPECT_EQ(MacroCellText(macro, kColumnStartHotkey), hotkeyText);
    EXPECT_EQ(MacroCellText(macro, kColumnStopHotkey), hotkeyText);
    EXPECT_EQ(MacroCellText(macro, kColumnRepeatType), repeatText);
  }
}

TEST_F(MacroListText, ScheduleCells) {
  const std::tuple<int32_t, int32_t, const char*, const char*> cases[] = {
      {0, 3, "none", "none"},
      {1, 3, "every day", "10:40:29"},
      {2, 0, "every week", "Sunday : 10:40:29"},
      {2, 1, "every week", "Monday : 10:40:29"},
      {2, 6, "every week", "Saturday : 10:40:29"},
      {2, 7, "every week", "10:40:29"},
      {2, -1, "every week", "10:40:29"},
      {3, 14, "every month", "day 15 : 10:40:29"},
      {3, 0, "every month", "day 1 : 10:40:29"},
      {4, 0, "once", "12/24/26 : 10:40:29"},
      {5, 0, "", ""},
      {-1, 0, "", ""},
  };
  macro.Schedule.SelectedTime = "10:40:29";
  macro.Schedule.SelectedDate = "12/24/26";
  for (const auto& [kind, index, frequence, time] : cases) {
    macro.Schedule.ScheduleType = kind;
    macro.Schedule.SelectedIndex = index;
    EXPECT_EQ(MacroCellText(macro, kColumnFrequence), frequence) << kind;
    EXPECT_EQ(MacroCellText(macro, kColumnScheduleTime), time) << kind << " " << index;
  }
}

}  // namespace
}  // namespace zorvel
