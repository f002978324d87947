// The action editor: its defaults, the round trip of every field, the captures and the picture.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "../support/scripted_prompt.h"
#include "common/error.h"
#include "gui/recording/action_editor.h"
#include "gui/recording/editor_fields.h"
#include "gui/widgets/prompt.h"
#include "model/base64.h"
#include "platform/fake/fake_input.h"
#include "platform/fake/fake_screen.h"
#include "temp_folder.h"

namespace zorvel {
namespace {

// A 2 x 1 uncompressed 24-bit BMP file: a red and a blue pixel.
std::vector<uint8_t> TinyBmp() {
  std::vector<uint8_t> bytes = {'B', 'M', 62,  0,   0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header
                                40,  0,   0,   0,   2, 0, 0, 0, 1, 0, 0,  0, 1, 0,
                                24,  0,   0,   0,   0, 0, 8, 0, 0, 0, 0,  0, 0, 0,
                                0,   0,   0,   0,   0, 0, 0, 0, 0, 0, 0,  0,  // info header
                                0,   0,   255, 255, 0, 0, 0, 0};              // BGR BGR pad
  return bytes;
}

class EditorTest : public ::testing::Test {
 protected:
  TFakeInput input;
  TFakeScreen screen{200, 100};
  TScriptedPrompt prompt;
  TDefineForm form{{input, screen, prompt}};
  TfrmDefine& frame = form.Frame();
};

TEST_F(EditorTest, NewActionAcceptedUnchangedHasTheEditorDefaults) {
  EXPECT_EQ(form.windowTitle(), "Click Info");
  TActionObj action;
  form.FillAction(action);
  EXPECT_EQ(action.actionType, uint8_t(ActionType::MouseClick));
  EXPECT_EQ(action.mouseButton, uint8_t(MouseButton::Left));
  EXPECT_EQ(action.mouseAction, uint8_t(MouseAction::SingleClick));
  EXPECT_EQ(action.mousePoint, uint8_t(MousePoint::CurrentPoint));
  EXPECT_EQ(action.mouseClickPosX, 1000);
  EXPECT_EQ(action.mouseClickPosY, 600);
  EXPECT_EQ(action.mouseMovePosX, 1000);
  EXPECT_EQ(action.mouseMovePosY, 600);
  EXPECT_EQ(action.fColor, "clBlack");
  EXPECT_EQ(action.fColorSimplar, 100);
  EXPECT_EQ(action.fBMPSimplar, 100);
  EXPECT_EQ(action.fBMP, "");
  EXPECT_EQ(action.key, 48);
  EXPECT_EQ(action.keyAction, uint8_t(KeyAction::KeyDown));
  EXPECT_EQ(action.typeText, "");
  EXPECT_EQ(action.delay, 1000);
  EXPECT_EQ(action.screenType, 0);
}

TEST_F(EditorTest, KeyListRunsFromCode48ThenWrapsToTheLowCodes) {
  ASSERT_GT(frame.cbKey->count(), 40);
  EXPECT_EQ(frame.cbKey->itemText(0), "0");
  EXPECT_EQ(frame.cbKey->itemData(0).toInt(), 48);
  const int quote = frame.cbKey->findData(222);
  ASSERT_GE(quote, 0);
  EXPECT_EQ(frame.cbKey->itemText(quote + 1), "[LButton]");
  EXPECT_EQ(frame.cbKey->itemText(frame.cbKey->count() - 1), "[Delete]");
  EXPECT_EQ(frame.cbKey->findData(108), -1);  // no name, no entry
}

TEST_F(EditorTest, DelayIsSplitIntoSixFieldsAndJoinedBack) {
  struct Case {
    int32_t delay;
    const char* fields[6];
  };
  const Case cases[] = {
      {3'723'456, {"1", "2", "3", "4", "5", "6"}},
      {0, {"0", "0", "0", "0", "0", "0"}},
      {86'399'999, {"23", "59", "59", "9", "9", "9"}},
      {90'000'000, {"25", "0", "0", "0", "0", "0"}},        // a day and more keeps its hours
      {2'147'483'647, {"596", "31", "23", "6", "4", "7"}},  // wider than the field's 2 places
      {-1234, {"0", "0", "-1", "-2", "-3", "-4"}}};
  for (const Case& c : cases) {
    TActionObj action;
    action.delay = c.delay;
    form.ShowAction(action);
    QLineEdit* edits[] = {frame.edIntHour, frame.edIntMinute, frame.edIntSecond,
                          frame.edIntTen,  frame.edIntHud,    frame.edIntThd};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(edits[i]->text(), c.fields[i]) << c.delay << " " << i;
    TActionObj back;
    back.delay = 7;
    form.FillAction(back);
    EXPECT_EQ(back.delay, c.delay);
  }
}

TEST_F(EditorTest, DelayBeyond32BitsIsRefusedAndTheActionKept) {
  frame.edIntHour->setMaxLength(4);
  frame.edIntHour->setText("9999");
  TActionObj action;
  action.delay = 55;
  EXPECT_THROW(form.FillAction(action), Error);
  EXPECT_EQ(action.delay, 55);
}

TEST_F(EditorTest, FieldsThatAreNotWholeNumbersAreNamedAndLeaveTheActionUnchanged) {
  struct Case {
    QLineEdit* edit;
    const char* text;
    const char* label;
  };
  const Case cases[] = {{frame.edIntSecond, "x", "Seconds"},
                        {frame.edIntHour, "", "Hours"},
                        {frame.edPX, "", "X:"},
                        {frame.edSimilar, "1e", "Color Simliar:"},
                        {frame.edIntThd, "9999999999", "ms(1/1000 S)"}};
  for (const Case& c : cases) {
    TActionObj original;
    original.typeText = "keep";
    original.delay = 4321;
    form.ShowAction(original);
    frame.edText->setText("changed");
    c.edit->setMaxLength(20);
    c.edit->setText(c.text);
    TActionObj action = original;
    try {
      form.FillAction(action);
      ADD_FAILURE() << "no error for " << c.label;
    } catch (const Error& error) {
      EXPECT_NE(std::string(error.what()).find(std::string("\"") + c.label + "\""),
                std::string::npos)
          << error.what();
    }
    EXPECT_EQ(action.typeText, "keep");
    EXPECT_EQ(action.delay, 4321);
  }
}

TEST_F(EditorTest, EveryFieldSurvivesARoundTrip) {
  TActionObj action;
  action.actionType = uint8_t(ActionType::TypeText);
  action.mouseButton = uint8_t(MouseButton::Middle);
  action.mouseAction = uint8_t(MouseAction::ButtonUp);
  action.mousePoint = uint8_t(MousePoint::ColorBlock);
  action.mouseClickPosX = -20;
  action.mouseClickPosY = 15;
  action.fColor = "$00563412";
  action.fColorSimplar = 40;  // typed once, outside the arrows' range
  action.fBMPSimplar = 150;
  action.mouseMovePosX = 12345;  // wider than the field's 4 places
  action.mouseMovePosY = 7;
  action.key = 0x7B;
  action.keyAction = uint8_t(KeyAction::KeyUp);
  action.typeText = "héllo wörld";
  action.delay = 61'001;
  action.screenType = 7;
  form.ShowAction(action);
  EXPECT_TRUE(frame.rbText->isChecked());
  EXPECT_TRUE(frame.rbColor->isChecked());
  EXPECT_EQ(frame.cbKey->currentText(), "F12");
  EXPECT_EQ(frame.edColor->text(), "$00563412");
  TActionObj back;
  form.FillAction(back);
  EXPECT_EQ(back.actionType, action.actionType);
  EXPECT_EQ(back.mouseButton, action.mouseButton);
  EXPECT_EQ(back.mouseAction, action.mouseAction);
  EXPECT_EQ(back.mousePoint, action.mousePoint);
  EXPECT_EQ(back.mouseClickPosX, -20);
  EXPECT_EQ(back.mouseClickPosY, 15);
  EXPECT_EQ(back.fColor, "$00563412");
  EXPECT_EQ(back.fColorSimplar, 40);
  EXPECT_EQ(back.fBMPSimplar, 150);
  EXPECT_EQ(back.mouseMovePosX, 12345);
  EXPECT_EQ(back.mouseMovePosY, 7);
  EXPECT_EQ(back.key, 0x7B);
  EXPECT_EQ(back.keyAction, action.keyAction);
  EXPECT_EQ(back.typeText, "héllo wörld");
  EXPECT_EQ(back.delay, 61'001);
  EXPECT_EQ(back.screenType, 0);  // not the editor's: the target's own value stays
}

TEST_F(EditorTest, UnnamedKeyAndWheelAreKept) {
  TActionObj action;
  action.key = 108;
  action.mouseAction = uint8_t(MouseAction::Wheel);
  action.mouseButton = uint8_t(MouseButton::Middle);
  form.ShowAction(action);
  EXPECT_EQ(frame.cbKey->currentIndex(), -1);
  EXPECT_EQ(frame.cbClick->currentText(), "Button Wheel");
  TActionObj back = action;
  form.FillAction(back);
  EXPECT_EQ(back.key, 108);
  EXPECT_EQ(back.mouseAction, uint8_t(MouseAction::Wheel));
}

TEST_F(EditorTest, OnlyThePanelOfTheCheckedKindIsEnabled) {
  QRadioButton* kinds[] = {frame.rbClick, frame.rbMove, frame.rbKey, frame.rbText, frame.rbDelay};
  QWidget* panels[] = {frame.plClick, frame.plMove, frame.plKey, frame.plText, frame.plDelay};
  for (int k = 0; k < 5; ++k) {
    kinds[k]->click();
    for (int p = 0; p < 5; ++p) {
      EXPECT_EQ(panels[p]->isEnabled(), p == k) << k << " " << p;
      for (QWidget* child : panels[p]->findChildren<QLineEdit*>())
        EXPECT_EQ(child->isEnabled(), p == k) << k << " " << p;
    }
  }
}

TEST_F(EditorTest, ClickPointGroupsFollowTheCheckedPoint) {
  form.show();
  QRadioButton* points[] = {frame.rbCurrent, frame.rbFixed, frame.rbColor, frame.rbBMP};
  QGroupBox* groups[] = {nullptr, frame.gbPoint, frame.gbColor, frame.gbBMP};
  QPushButton* buttons[] = {nullptr, frame.btnCapture, frame.btnCaptureColor, frame.btnBMP};
  for (int k = 0; k < 4; ++k) {
    points[k]->click();
    for (int g = 1; g < 4; ++g) {
      EXPECT_EQ(groups[g]->isVisible(), g == k) << k << " " << g;
      EXPECT_EQ(buttons[g]->isEnabled(), g == k) << k << " " << g;
    }
  }
}

TEST_F(EditorTest, WaitFieldsShowForColourAndPictureAndCarryBothSettings) {
  form.show();
  QRadioButton* points[] = {frame.rbCurrent, frame.rbFixed, frame.rbColor, frame.rbBMP};
  for (int k = 0; k < 4; ++k) {
    points[k]->click();
    EXPECT_EQ(frame.plWait->isVisible(), k >= 2) << k;
  }
  TActionObj action;
  action.mousePoint = uint8_t(MousePoint::ColorBlock);
  action.waitTimeout = 1500;
  action.notFound = NotFoundChoice::Stop;
  form.ShowAction(action);
  EXPECT_EQ(frame.edWait->text(), "1.5");
  EXPECT_EQ(frame.cbNotFound->currentText(), "stop the macro");
  TActionObj filled;
  form.FillAction(filled);
  EXPECT_EQ(filled.waitTimeout, 1500);
  EXPECT_EQ(filled.notFound, NotFoundChoice::Stop);

  frame.edWait->setText("5");
  frame.cbNotFound->setCurrentIndex(0);
  form.FillAction(filled);
  EXPECT_EQ(filled.waitTimeout, 5000);
  EXPECT_EQ(filled.notFound, NotFoundChoice::Skip);

  frame.edWait->setText("2,5");
  EXPECT_THROW(form.FillAction(filled), Error);
  EXPECT_EQ(filled.waitTimeout, 5000);  // left as it was
}

TEST_F(EditorTest, PointCaptureFillsTheFieldsOfTheActivePanel) {
  input.SetCursor({321, 54});
  frame.rbFixed->click();
  frame.btnCaptureClick();
  EXPECT_TRUE(frame.CaptureTimerActive());
  EXPECT_EQ(frame.timerSetPoint->interval(), 10);
  frame.timerSetPointTimer();
  EXPECT_EQ(frame.edPX->text(), "321");
  EXPECT_EQ(frame.edPY->text(), "54");
  EXPECT_EQ(frame.edMoveX->text(), "1000");

  frame.rbMove->click();
  input.SetCursor({7, 1999});
  frame.timerSetPointTimer();
  EXPECT_EQ(frame.edMoveX->text(), "7");
  EXPECT_EQ(frame.edMoveY->text(), "1999");
  EXPECT_EQ(frame.edPX->text(), "321");
}

TEST_F(EditorTest, ColourCaptureShowsTheColourTextOfThePixel) {
  struct Case {
    uint32_t rgb;  // as the fake screen paints: 0x00RRGGBB
    const char* text;
  };
  const Case cases[] = {{0x808000, "clOlive"}, {0x563412, "$00123456"}, {0xFFFFFF, "clWhite"}};
  frame.rbColor->click();
  frame.btnCaptureColorClick();
  for (const Case& c : cases) {
    screen.SetPixel(10, 20, c.rgb);
    input.SetCursor({10, 20});
    frame.timerSetPointTimer();
    EXPECT_EQ(frame.edColor->text(), c.text);
  }
  TActionObj action;
  form.FillAction(action);
  EXPECT_EQ(action.fColor, "clWhite");
  EXPECT_EQ(action.mousePoint, uint8_t(MousePoint::ColorBlock));
}

TEST_F(EditorTest, BothCapturesAtOnceServeThePointUntilAStopClearsBoth) {
  frame.rbFixed->click();
  frame.btnCaptureColorClick();
  frame.btnCaptureClick();
  input.SetCursor({5, 6});
  frame.timerSetPointTimer();
  EXPECT_EQ(frame.edPX->text(), "5");
  EXPECT_EQ(frame.edColor->text(), "clBlack");
  frame.StopCapture();
  EXPECT_FALSE(frame.CapturingPoint());
  EXPECT_FALSE(frame.CapturingColor());
  EXPECT_FALSE(frame.CaptureTimerActive());
}

TEST_F(EditorTest, OnlyKeysThatProduceACharacterStopACapture) {
  form.show();
  frame.rbFixed->click();
  QWidget* target = frame.edText;
  const Qt::Key silent[] = {Qt::Key_Shift, Qt::Key_Control, Qt::Key_Left, Qt::Key_F5};
  for (const Qt::Key key : silent) {
    frame.btnCaptureClick();
    QTest::keyClick(target, key);
    EXPECT_TRUE(frame.CapturingPoint()) << key;
  }
  const Qt::Key stopping[] = {Qt::Key_A, Qt::Key_Space, Qt::Key_5, Qt::Key_Backspace,
                              Qt::Key_Escape};
  for (const Qt::Key key : stopping) {
    frame.btnCaptureClick();
    QTest::keyClick(frame.edPX, key);
    EXPECT_FALSE(frame.CapturingPoint()) << key;
    EXPECT_FALSE(frame.CaptureTimerActive()) << key;
  }
  EXPECT_TRUE(form.isVisible());  // Escape ended the capture, not the dialog
}

// The key that ends a capture does nothing else: Space does not press the focused capture button
// again (which would restart the capture), Return does not press OK.
TEST_F(EditorTest, SpaceAndReturnEndACaptureWithoutPressingAButton) {
  form.show();
  int captureClicks = 0;
  QObject::connect(frame.btnCapture, &QPushButton::clicked, [&] { ++captureClicks; });
  for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) {
    frame.rbFixed->click();
    frame.btnCapture->setFocus();
    frame.btnCapture->click();
    ASSERT_TRUE(frame.CapturingPoint());
    captureClicks = 0;
    input.SetCursor({17, 23});
    frame.timerSetPointTimer();
    QTest::keyClick(frame.btnCapture, key);
    EXPECT_FALSE(frame.CapturingPoint()) << key;
    EXPECT_FALSE(frame.CaptureTimerActive()) << key;
    EXPECT_EQ(captureClicks, 0) << key;
    EXPECT_TRUE(form.isVisible()) << key;  // OK was not pressed
    EXPECT_EQ(frame.edPX->text().trimmed(), "17") << key;
  }
  // Without a capture the keys work as usual: Return in a field presses OK.
  QTest::keyClick(frame.edPX, Qt::Key_Return);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST_F(EditorTest, ClickPointButtonsAndOkStopACapture) {
  frame.rbFixed->click();
  frame.btnCaptureClick();
  frame.rbCurrent->click();
  EXPECT_FALSE(frame.CapturingPoint());
  EXPECT_FALSE(frame.gbPoint->isVisibleTo(&frame));
  frame.rbColor->click();
  frame.btnCaptureColorClick();
  form.btnOKClick();
  EXPECT_FALSE(frame.CapturingColor());
  EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST_F(EditorTest, DigitsOnlyFieldsDropOtherCharacters) {
  const std::pair<QRadioButton*, QLineEdit*> fields[] = {{frame.rbClick, frame.edPX},
                                                         {frame.rbMove, frame.edMoveY},
                                                         {frame.rbClick, frame.edSimilar},
                                                         {frame.rbClick, frame.edBMPSimilar}};
  for (const auto& [kind, edit] : fields) {
    kind->click();
    edit->clear();
    QTest::keyClicks(edit, "4a-2.");
    EXPECT_EQ(edit->text(), "42") << edit->objectName().toStdString();
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), "4");
  }
  frame.rbDelay->click();
  frame.edIntSecond->clear();
  QTest::keyClicks(frame.edIntSecond, "x");  // the delay fields take anything
  EXPECT_EQ(frame.edIntSecond->text(), "x");
}

TEST_F(EditorTest, SpinArrowsKeepToTheirRange) {
  frame.edSimilar->setText("40");
  frame.spSimilar->Step(+1);
  EXPECT_EQ(frame.edSimilar->text(), "60");
  frame.edSimilar->setText("100");
  frame.spSimilar->Step(+1);
  EXPECT_EQ(frame.edSimilar->text(), "100");
  frame.spSimilar->Step(-1);
  EXPECT_EQ(frame.edSimilar->text(), "95");
  frame.edIntHour->setText("23");
  frame.spIntHour->Step(+1);
  EXPECT_EQ(frame.edIntHour->text(), "23");
}

TEST_F(EditorTest, LoadBmpStoresAPlainBmpAsItIsAndRefusesWhatIsNoPicture) {
  test::TempFolder folder;
  const std::vector<uint8_t> bytes = TinyBmp();
  const std::string path = folder.Write("pic.bmp", std::string(bytes.begin(), bytes.end()));
  folder.Write("text.bmp", "not a picture");

  prompt.QueueFile(folder.File("missing.bmp"));
  frame.rbBMP->click();
  frame.btnBMPClick();
  prompt.QueueFile(folder.File("text.bmp"));
  frame.btnBMPClick();
  prompt.QueueFile(folder.File("pic"));  // the default extension is added
  frame.btnBMPClick();
  frame.btnBMPClick();  // cancelled: nothing changes

  const std::string filter = "Pictures (*.bmp *.png *.jpg *.jpeg *.gif);;All files (*)";
  const auto& asked = prompt.Asked();
  ASSERT_EQ(asked.size(), 6u);
  EXPECT_EQ(asked[0], (TScriptedPrompt::TAsked{"OpenFile", "Load BMP", filter}));
  EXPECT_EQ(asked[1], (TScriptedPrompt::TAsked{"Warning", "Warning", "The file does not exist."}));
  EXPECT_EQ(asked[3].kind, "Warning");
  EXPECT_EQ(asked[3].text.rfind("The file cannot be read as a picture: ", 0), 0u) << asked[3].text;
  EXPECT_GT(asked[3].text.size(), std::string("The file cannot be read as a picture: .").size());
  EXPECT_EQ(asked[5], (TScriptedPrompt::TAsked{"OpenFile", "Load BMP", filter}));
  ASSERT_NE(frame.ImageBMP->pixmap().width(), 0);
  EXPECT_EQ(frame.ImageBMP->pixmap().size(), QSize(2, 1));

  TActionObj action;
  form.FillAction(action);
  EXPECT_EQ(action.fBMP, EncodeBase64Stream(bytes));
  EXPECT_EQ(action.mousePoint, uint8_t(MousePoint::Picture));
}

TEST_F(EditorTest, OtherPictureFormatsAreStoredAsA24BitBmp) {
  test::TempFolder folder;
  QImage image(5, 3, QImage::Format_ARGB32);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) image.setPixel(x, y, qRgba(40 * x, 80 * y, 7, 255));
  for (const char* format : {"png", "jpg", "bmp"}) {
    SCOPED_TRACE(format);
    const QString path = QString::fromStdString(folder.File(std::string("pic.") + format));
    ASSERT_TRUE(image.save(path, nullptr, 100));
    prompt.QueueFile(path.toStdString());
    frame.rbBMP->click();
    frame.btnBMPClick();
    EXPECT_EQ(frame.ImageBMP->pixmap().size(), QSize(5, 3));
    TActionObj action;
    form.FillAction(action);
    const std::vector<uint8_t> stored = DecodeBase64Stream(action.fBMP);
    ASSERT_GT(stored.size(), 54u);
    EXPECT_EQ(stored[14], 40);  // BITMAPINFOHEADER
    EXPECT_EQ(stored[28], 24);  // 24 bits per pixel
    const auto picture = action.GetBMPData();
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->Width, 5);
    ASSERT_EQ(picture->Height, 3);
    const QImage back = QImage(path).convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x)
        EXPECT_EQ(picture->GetPixel(x, y), back.pixel(x, y) & 0xFFFFFFu) << x << "," << y;
  }
  EXPECT_EQ(prompt.Asked().size(), 3u);  // no warning
}

TEST_F(EditorTest, ANewPictureRefreshesTheDecodedCache) {
  test::TempFolder folder;
  const std::vector<uint8_t> bytes = TinyBmp();
  folder.Write("pic.bmp", std::string(bytes.begin(), bytes.end()));
  std::vector<uint8_t> other = bytes;
  other[54] = 0x11;  // first pixel's blue
  TActionObj action;
  action.fBMP = EncodeBase64Stream(other);
  const auto before = action.GetBMPData();
  ASSERT_TRUE(before);
  form.ShowAction(action);
  EXPECT_EQ(frame.ImageBMP->pixmap().size(), QSize(2, 1));
  prompt.QueueFile(folder.File("pic.bmp"));
  frame.btnBMPClick();
  form.FillAction(action);
  EXPECT_EQ(action.fBMP, EncodeBase64Stream(bytes));
  ASSERT_TRUE(action.fBMPData);
  EXPECT_NE(action.fBMPData, before);
}

TEST_F(EditorTest, AnUndecodablePictureIsKeptAsItWas) {
  TActionObj action;
  action.fBMP = "abc";  // not base64
  form.ShowAction(action);
  EXPECT_TRUE(frame.ImageBMP->pixmap().isNull());
  TActionObj back = action;
  form.FillAction(back);
  EXPECT_EQ(back.fBMP, "abc");
}

TEST_F(EditorTest, ClosingTheDialogStopsTheTimer) {
  frame.btnCaptureClick();
  form.btnCancelClick();
  EXPECT_FALSE(frame.CaptureTimerActive());
  EXPECT_EQ(form.result(), QDialog::Rejected);
}

TEST(EditorFields, SecondsReadAsMilliseconds) {
  const std::pair<const char*, int32_t> good[] = {
      {"", 0},      {"0", 0},      {"5", 5000},  {"1.5", 1500},
      {".25", 250}, {"0.025", 25}, {"3.", 3000}, {"2147483.647", 2147483647}};
  for (const auto& [text, ms] : good) EXPECT_EQ(ReadSeconds(text, "Wait up to"), ms) << text;
  for (const char* text :
       {"-1", "1.2345", "2147483.648", "9999999999", "1,5", "a", ".", " 1", "1e3"}) {
    try {
      ReadSeconds(text, "Wait up to");
      ADD_FAILURE() << text;
    } catch (const Error& error) {
      EXPECT_NE(std::string(error.what()).find("\"Wait up to\""), std::string::npos) << text;
    }
  }
}

TEST(EditorFields, SteppedSpinValueStartsFromLowWithoutANumber) {
  EXPECT_EQ(SteppedSpinValue("", 5, 60, 100), 60);
  EXPECT_EQ(SteppedSpinValue("abc", -5, 60, 100), 60);
  EXPECT_EQ(SteppedSpinValue("80", -5, 60, 100), 75);
  EXPECT_EQ(SteppedSpinValue("2147483647", 5, 60, 100), 100);
}

}  // namespace
}  // namespace zorvel
