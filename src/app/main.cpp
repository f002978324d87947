// The program entry: picks the program folder, opens the desktop and shows the main window.

#include <QApplication>
#include <QCommandLineParser>
#include <clocale>
#include <iostream>

#include "app/ctrl.h"
#include "app/main_view.h"
#include "app/quit_signals.h"
#include "common/date_time.h"
#include "common/error.h"
#include "common/program_folder.h"
#include "recording/gui/record_view.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  std::setlocale(LC_ALL, "");
  QApplication::setApplicationName(QStringLiteral("Zorvel"));
  QApplication::setApplicationVersion(QStringLiteral("2.5.1"));

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
    zorvel::SetProgramFolder(folder);
    zorvel::TSystemClock clock;
    zorvel::TFMMainView window(zorvel::OpenDesktop(), clock, folder);
    zorvel::TViewDialogs dialogs;
    dialogs.recordView = [&window](zorvel::TActionCtrlPtr macro) -> zorvel::TActionCtrlPtr {
      zorvel::TCtrl* ctrl = zorvel::GlobalCtrl();
      return ctrl ? zorvel::ShowRecordView(*ctrl, std::move(macro), &window) : nullptr;
    };
    window.SetDialogs(std::move(dialogs));
    zorvel::CloseOnQuitSignals(window);
    window.show();
    return QApplication::exec();
  } catch (const std::exception& error) {
    std::cerr << "zorvel: " << error.what() << std::endl;
    return 1;
  }
}
