// zorvel-test-qt-line-edit: a Qt window holding one focused QLineEdit, for typing tests.
//
// Usage: zorvel-test-qt-line-edit [--geometry WxH+X+Y] [--out FILE] [--no-changes]
//                                 [--clear-on-return]
//   --geometry         size and position of the window (default 400x60+100+100)
//   --out              append the log to FILE instead of stdout (flushed line by line)
//   --no-changes       do not log every change, only Return
//   --clear-on-return  empty the line after logging it on Return (for repeated runs)
//
// Log lines, the text in UTF-8 between double quotes:
//   ready window=0x1a00002     the window is shown, active, and the line edit has the focus
//   changed "hé"               after every change of the text (unless --no-changes)
//   return "héllo"             when Return is pressed in the line edit
// The window takes the keyboard focus itself (no window manager is needed). The program runs
// until it is killed or its window is closed.

#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <string>

#include "tool_options.h"

namespace {

struct Options : zorvel::test::ToolOptions {
  Options() { height = 60; }
  bool changes = true;
  bool clearOnReturn = false;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  auto own = [&](const std::string& arg, const char*) {
    if (arg == "--no-changes") {
      options.changes = false;
    } else if (arg == "--clear-on-return") {
      options.clearOnReturn = true;
    } else {
      return 0;
    }
    return 1;
  };
  return zorvel::test::ParseToolOptions(argc, argv, options, own);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options))
    return zorvel::test::ToolUsage(argv[0], "[--no-changes] [--clear-on-return]");
  zorvel::test::ToolLog file;
  if (!file.Open(options.out)) return 1;
  auto log = [&file](const char* what, const QString& text) {
    file.Line(std::string(what) + " \"" + text.toUtf8().toStdString() + "\"");
  };

  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle("zorvel line edit");
  auto* layout = new QVBoxLayout(&window);
  auto* edit = new QLineEdit(&window);
  layout->addWidget(edit);
  window.setGeometry(options.x, options.y, options.width, options.height);
  if (options.changes)
    QObject::connect(edit, &QLineEdit::textChanged,
                     [&](const QString& text) { log("changed", text); });
  QObject::connect(edit, &QLineEdit::returnPressed, [&] {
    log("return", edit->text());
    if (options.clearOnReturn) {
      const QSignalBlocker blocker(edit);
      edit->clear();
    }
  });
  window.show();

  // Take the focus and say so once the window has it.
  QTimer focusTimer;
  QObject::connect(&focusTimer, &QTimer::timeout, [&] {
    if (window.isActiveWindow() && edit->hasFocus()) {
      file.Ready(static_cast<unsigned long long>(window.winId()));
      focusTimer.stop();
      return;
    }
    window.activateWindow();
    window.raise();
    edit->setFocus();
  });
  focusTimer.start(20);
  return app.exec();
}
