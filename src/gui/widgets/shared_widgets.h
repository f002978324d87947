#pragma once

// Widgets and settings the main window, the recording window and their dialogs share.

#include <QString>
#include <QStringList>

class QComboBox;
class QIcon;
class QLabel;
class QSize;
class QTableView;
class QToolButton;
class QWidget;

namespace zorvel {

// Read-only rows of one line each, selected whole and one at a time, with a grid and neither row
// numbers nor a highlighted header section.
void SetUpRowTable(QTableView& table);

// A named drop-down list of `items`, the first selected.
QComboBox* NewList(const QString& name, const QStringList& items, QWidget* parent = nullptr);

// A drop-down list of the function keys "F1" to "F12"; the first is selected.
QComboBox* NewFKeyList(const QString& name, QWidget* parent = nullptr);

// A flat command button: `icon` at `iconSize` pixels above its caption, `hint` as its tip.
QToolButton* NewCommandButton(const QString& name, const QString& caption, const QString& hint,
                              const QIcon& icon, int iconSize, QWidget* parent = nullptr);

// Sizes a top-level `window` to `wanted`, or smaller where its screen is smaller, and centres it
// on that screen's free area so that it lies fully on it with the window manager's frame.
void PlaceOnScreen(QWidget& window, const QSize& wanted);

// A word-wrapped line in the warning colour, hidden until it has a text to show.
QLabel* NewWarningLine(const QString& name, QWidget* parent = nullptr);

}  // namespace zorvel
