#pragma once

#include <QDialog>

namespace zorvel {

// The about box: the product name and version on one line.
class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);
};

}  // namespace zorvel
