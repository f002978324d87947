#include "gui/widgets/prompt.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QString>

namespace zorvel {

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

bool TBoxPrompt::Question(const std::string& caption, const std::string& text, bool defaultYes) {
  return QMessageBox::question(parent_, Q(caption), Q(text), QMessageBox::Yes | QMessageBox::No,
                               defaultYes ? QMessageBox::Yes : QMessageBox::No) == QMessageBox::Yes;
}

void TBoxPrompt::Warning(const std::string& caption, const std::string& text) {
  QMessageBox::warning(parent_, Q(caption), Q(text));
}

void TBoxPrompt::Message(const std::string& caption, const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, Q(caption), Q(text), QMessageBox::Ok, parent_);
  box.exec();
}

std::string TBoxPrompt::OpenFile(const std::string& title, const std::string& filter) {
  return QFileDialog::getOpenFileName(parent_, Q(title), QString(), Q(filter)).toStdString();
}

}  // namespace zorvel
