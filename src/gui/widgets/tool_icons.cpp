#include "gui/widgets/tool_icons.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace zorvel {

namespace {

// Drawn here: a record dot, and a list being wiped.
constexpr const char* kRecordSvg =
    R"(<svg xmlns="http://www.w3.org/2000/svg" width="48" height="48" viewBox="0 0 48 48">
  <circle cx="24" cy="24" r="21" fill="#ffffff" stroke="#8e1f1c" stroke-width="2"/>
  <circle cx="24" cy="24" r="12" fill="#d0312d"/></svg>)";
constexpr const char* kClearSvg =
    R"(<svg xmlns="http://www.w3.org/2000/svg" width="48" height="48" viewBox="0 0 48 48">
  <rect x="8" y="5" width="30" height="38" rx="2" fill="#ffffff" stroke="#555555" stroke-width="2"/>
  <path d="M14 14h18M14 21h18M14 28h18M14 35h12" stroke="#9a9a9a" stroke-width="2"/>
  <path d="M24 28l16 16M40 28l-16 16" stroke="#d0312d" stroke-width="4" stroke-linecap="round"/>
  </svg>)";

QIcon SvgIcon(const char* svg) {
  QSvgRenderer renderer{QByteArray(svg)};
  QPixmap pixmap(48, 48);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  renderer.render(&painter);
  return QIcon(pixmap);
}

QIcon ResourceIcon(const char* name) {
  return QIcon(QStringLiteral(":/zorvel/icons/%1.svg").arg(QLatin1String(name)));
}

}  // namespace

QIcon ActivityIcon(TActivity activity) {
  switch (activity) {
    case TActivity::Playing:
      return ResourceIcon("run");
    case TActivity::Recording:
      return SvgIcon(kRecordSvg);
    case TActivity::Idle:
      break;
  }
  return ResourceIcon("zorvel");
}

QIcon RecordToolIcon(const QString& buttonName) {
  if (buttonName == "btnStart") return SvgIcon(kRecordSvg);
  if (buttonName == "btnStop") return ResourceIcon("stop");
  if (buttonName == "btnConfig") return ResourceIcon("config");
  if (buttonName == "btnNew") return ResourceIcon("new");
  if (buttonName == "btnEdit") return ResourceIcon("edit");
  if (buttonName == "btnDelete") return ResourceIcon("delete");
  if (buttonName == "btnClear") return SvgIcon(kClearSvg);
  if (buttonName == "btnQuit") return ResourceIcon("exit");
  return {};
}

}  // namespace zorvel
