#pragma once

// Icons of the recording window's tool panel.

#include <QIcon>

namespace zorvel {

// The icon of a tool button by its control name ("btnStart" ... "btnQuit"); a null icon for
// others.
QIcon RecordToolIcon(const QString& buttonName);

}  // namespace zorvel
