#pragma once

// The "Runs" window: the run log, one line per run (start time, macro, how it was started, how
// it ended) with the clicks that found nothing below it. It only shows what it is given.

#include <QDialog>
#include <string>
#include <vector>

class QPlainTextEdit;

namespace zorvel {

class TRunsWindow : public QDialog {
  Q_OBJECT
 public:
  explicit TRunsWindow(QWidget* parent = nullptr);
  // Replaces the shown lines, newest last, and scrolls to the end.
  void ShowLines(const std::vector<std::string>& lines);
  QString Text() const;

 private:
  QPlainTextEdit* text_;
};

}  // namespace zorvel
