#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace zorvel {

// Once the next modal dialog runs, hands it to `answer` as a T; a dialog of another kind is
// closed with a failure, so a test never hangs on a modal loop.
template <typename T>
void AnswerModal(std::function<void(T&)> answer) {
  QTimer::singleShot(0, [answer] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* dialog = qobject_cast<T*>(modal)) {
      answer(*dialog);
      return;
    }
    ADD_FAILURE() << "the expected dialog is not open";
    if (modal) modal->close();
  });
}

}  // namespace zorvel
