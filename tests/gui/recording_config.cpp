// The recording options dialog.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>

#include "gui/recording/record_config_dlg.h"
#include "recording/record_settings.h"

namespace zorvel {
namespace {

TEST(RecordConfig, ShowsTheSettingsItIsOpenedOn) {
  struct Case {
    TRecordSettings settings;
    bool move;
    bool keys;
    const char* start;
    const char* stop;
  };
  const Case cases[] = {{{true, true, 1, 2}, true, true, "F2", "F3"},
                        {{false, true, 0, 11}, false, true, "F1", "F12"},
                        {{true, false, 12, -1}, true, false, "", ""}};
  for (const Case& c : cases) {
    TRecordSettings settings = c.settings;
    TfmRecordConfig dialog(settings);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Record Config");
    EXPECT_EQ(dialog.cbMouseMove->isChecked(), c.move);
    EXPECT_EQ(dialog.cbKeyboard->isChecked(), c.keys);
    EXPECT_EQ(dialog.cbRecordStart->currentText(), c.start);
    EXPECT_EQ(dialog.cbRecordStop->currentText(), c.stop);
    EXPECT_EQ(dialog.cbRecordStart->count(), 12);
  }
}

TEST(RecordConfig, LaidOutWithTheFixedCaptions) {
  TRecordSettings settings{true, true, 1, 2};
  TfmRecordConfig dialog(settings);
  EXPECT_EQ(dialog.cbMouseMove->text(), "Record mouse move");
  EXPECT_EQ(dialog.cbKeyboard->text(), "Record keystroke ");
  EXPECT_EQ(dialog.BitBtn1->text(), "&OK");
  EXPECT_EQ(dialog.BitBtn2->text(), "&Cancel");
  EXPECT_EQ(dialog.cbRecordStart->objectName(), "cbRecordStart");
  EXPECT_EQ(dialog.cbRecordStop->objectName(), "cbRecordStop");
  EXPECT_EQ(dialog.cbRecordStart->parentWidget(), dialog.cbMouseMove->parentWidget());
  EXPECT_EQ(qobject_cast<QGroupBox*>(dialog.cbMouseMove->parentWidget())->title(), "Record Config");
}

TEST(RecordConfig, CancelChangesNothing) {
  TRecordSettings settings{true, true, 1, 2};
  TfmRecordConfig dialog(settings);
  dialog.show();
  dialog.cbMouseMove->setChecked(false);
  dialog.cbKeyboard->setChecked(false);
  dialog.cbRecordStart->setCurrentIndex(7);
  dialog.cbRecordStop->setCurrentIndex(8);
  dialog.BitBtn2Click();
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(settings, (TRecordSettings{true, true, 1, 2}));
}

TEST(RecordConfig, OkWritesAllFour) {
  TRecordSettings settings{true, true, 1, 2};
  TfmRecordConfig dialog(settings);
  dialog.show();
  dialog.cbMouseMove->setChecked(false);
  dialog.cbRecordStart->setCurrentIndex(4);
  dialog.cbRecordStop->setCurrentIndex(5);
  dialog.BitBtn1Click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(settings, (TRecordSettings{false, true, 4, 5}));
}

TEST(RecordConfig, OkKeepsAHotkeyOutsideTheListUnlessOneIsChosen) {
  TRecordSettings settings{true, true, 15, -3};
  TfmRecordConfig dialog(settings);
  dialog.show();
  dialog.cbRecordStop->setCurrentIndex(0);
  dialog.BitBtn1Click();
  EXPECT_EQ(settings, (TRecordSettings{true, true, 15, 0}));
}

}  // namespace
}  // namespace zorvel
