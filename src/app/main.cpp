// The program entry: picks the program folder, opens the desktop and shows the main window.

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <clocale>
#include <iostream>

#include "common/date_time.h"
#include "common/error.h"
#include "common/folder_lock.h"
#include "common/program_folder.h"
#include "gui/main/ctrl.h"
#include "gui/main/main_view.h"
#include "gui/recording/record_view.h"
#include "gui/widgets/quit_signals.h"

namespace {

// Tells the user, on stderr and in a message box, that another Zorvel works on `folder`.
void ReportFolderInUse(const std::string& folder) {
  const std::string text = "The folder " + folder + " is in use by another Zorvel.";
  std::cerr << "zorvel: " << text << std::endl;
  QMessageBox::warning(nullptr, QStringLiteral("Zorvel"), QString::fromStdString(text));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  std::setlocale(LC_ALL, "");
  QApplication::setApplicationName(QStringLiteral("Zorvel"));
  QApplication::setApplicationVersion(QString::fromLatin1(zorvel::kVersion));

  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Records and replays mouse and keyboard macros."));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption folderOption(
      QStringList{QStringLiteral("folder")},
      QStringLiteral("Keep macros and settings in DIR instead of the program folder."),
      QStringLiteral("DIR"));
  parser.addOption(folderOption);
  parser.process(app);

  try {
    const std::string folder = zorvel::ResolveProgramFolder(
        zorvel::ExecutablePath(), parser.value(folderOption).toStdString());
    // Taken before anything in the folder is read or written, and held until the program ends.
    zorvel::TFolderLock lock;
    if (lock.Acquire(folder) == zorvel::TFolderLock::Result::HeldByOther) {
      ReportFolderInUse(folder);
      return 1;
    }
    zorvel::TSystemClock clock;
    zorvel::TFMMainView window(zorvel::OpenDesktop(), clock, folder);
    zorvel::TViewDialogs dialogs;
    dialogs.recordView = [&window](zorvel::TActionCtrlPtr macro) -> zorvel::TActionCtrlPtr {
      zorvel::TCtrl* ctrl = window.Ctrl();
      return ctrl ? zorvel::ShowRecordView(ctrl->RecordServices(), std::move(macro), &window)
                  : nullptr;
    };
    window.SetDialogs(std::move(dialogs));
    zorvel::OnQuitSignals(window, [&window] { window.CloseOnSignal(); });
    window.show();
    return QApplication::exec();
  } catch (const std::exception& error) {
    std::cerr << "zorvel: " << error.what() << std::endl;
    return 1;
  }
}
