#pragma once

// Icons of the recording window's tool panel.

#include <QIcon>

namespace zorvel {

// The icon of a tool button by its control name ("btnStart" ... "btnQuit"); a null icon for
// others.
QIcon RecordToolIcon(const QString& buttonName);

// What the program is doing, as the tray icon shows it.
enum class TActivity { Idle, Playing, Recording };
QIcon ActivityIcon(TActivity activity);

}  // namespace zorvel
