#include "gui/main/runs_window.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

namespace zorvel {

TRunsWindow::TRunsWindow(QWidget* parent) : QDialog(parent), text_(new QPlainTextEdit(this)) {
  setObjectName("RunsWindow");
  setWindowTitle("Runs");
  text_->setObjectName("RunsText");
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  auto* column = new QVBoxLayout(this);
  column->addWidget(text_);
  resize(640, 320);
}

void TRunsWindow::ShowLines(const std::vector<std::string>& lines) {
  QString all;
  for (const std::string& line : lines) {
    if (!all.isEmpty()) all += '\n';
    all += QString::fromStdString(line);
  }
  text_->setPlainText(all);
  text_->verticalScrollBar()->setValue(text_->verticalScrollBar()->maximum());
}

QString TRunsWindow::Text() const {
  return text_->toPlainText();
}

}  // namespace zorvel
