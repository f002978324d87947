#include "gui/widgets/about_box.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

#include "common/version.h"

namespace zorvel {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("About"));
  auto* picture = new QLabel;
  picture->setPixmap(QIcon(QStringLiteral(":/zorvel/icons/zorvel.svg")).pixmap(48, 48));
  auto* product = new QLabel(QString::fromLatin1(kProductCaption));
  product->setObjectName(QStringLiteral("ProductName"));
  QFont font = product->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.4);
  product->setFont(font);
  auto* row = new QHBoxLayout;
  row->addWidget(picture);
  row->addSpacing(12);
  row->addWidget(product, 1);
  setMinimumWidth(280);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
}

}  // namespace zorvel
