// The program entry: picks the program folder, opens the desktop and shows the main window.

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QMessageBox>
#include <clocale>
#include <iostream>
#include <optional>

#include "common/date_time.h"
#include "common/error.h"
#include "common/folder_lock.h"
#include "common/program_folder.h"
#include "common/version.h"
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

// The options the program takes; --help and --version come from Qt.
struct CommandLine {
  CommandLine() {
    parser.setApplicationDescription(
        QStringLiteral("Records and replays mouse and keyboard macros."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(folder);
    parser.addOption(backend);
  }

  QCommandLineParser parser;
  const QCommandLineOption folder{
      QStringList{QStringLiteral("folder")},
      QStringLiteral("Keep macros and settings in DIR instead of the program folder."),
      QStringLiteral("DIR")};
  const QCommandLineOption backend{
      QStringList{QStringLiteral("backend")},
      QStringLiteral("Use the desktop backend NAME (x11 or wayland) instead of the one that suits "
                     "the session."),
      QStringLiteral("NAME")};
};

// Answers --help and --version before the desktop is opened, so they work without a display.
// Anything else, Qt's own options included, waits for the full application.
std::optional<int> AnswerWithoutDisplay(int argc, char** argv) {
  QCoreApplication probe(argc, argv);
  CommandLine line;
  if (!line.parser.parse(QCoreApplication::arguments())) return std::nullopt;
  if (line.parser.isSet(QStringLiteral("help"))) {
    std::cout << line.parser.helpText().toStdString();
    return 0;
  }
  if (line.parser.isSet(QStringLiteral("version"))) {
    std::cout << zorvel::kProductCaption << "\n";
    return 0;
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication::setApplicationName(QStringLiteral("Zorvel"));
  QCoreApplication::setApplicationVersion(QString::fromLatin1(zorvel::kVersion));
  if (auto answered = AnswerWithoutDisplay(argc, argv)) return *answered;

  QApplication app(argc, argv);
  // Lets the desktop match the windows with the menu entry and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.zorvel.Zorvel"));
  std::setlocale(LC_ALL, "");
  CommandLine line;
  line.parser.process(app);

  try {
    const std::string folder = zorvel::ResolveProgramFolder(
        zorvel::ExecutablePath(), line.parser.value(line.folder).toStdString());
    // Taken before anything in the folder is read or written, and held until the program ends.
    zorvel::TFolderLock lock;
    if (lock.Acquire(folder) == zorvel::TFolderLock::Result::HeldByOther) {
      ReportFolderInUse(folder);
      return 1;
    }
    zorvel::TSystemClock clock;
    zorvel::RequestBackend(line.parser.value(line.backend).toStdString());
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
