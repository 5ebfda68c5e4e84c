// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QSize>
#include <QStringList>

class QWidget;

// Placement helpers shared by the working windows.
namespace WindowTools {

// Left edge of the frame = (window width − frame width) / 2.
void centreHorizontally(QWidget* frame, QWidget* window);
void centreOnScreen(QWidget* window);
// The window no larger than the screen's available area and within it: centred on its parent window (on
// the screen when it has none), or left where it is when `centre` is false.
void placeOnScreen(QWidget* window, bool centre = true);
// The window's size and place as the user left them, kept in a settings file under `key`; false when
// none is kept.
bool restorePlace(QWidget* window, const QString& settingsFile, const QString& key);
void savePlace(const QWidget* window, const QString& settingsFile, const QString& key);
// The window at the top left corner of the screen's available area, as large as `wanted` where the area
// allows, never past its edges.
void fitToScreen(QWidget* window, const QSize& wanted);
// A colour the program names (the blue of a label), as near to it as a readable contrast with the
// background allows: 4.5 to 1 at least, on a light or a dark palette.
QColor readableOn(const QColor& wanted, const QColor& background, double ratio = 4.5);
double contrast(const QColor& a, const QColor& b);
// A field wide enough for that many characters of its font, whatever the font's size.
void fitCharacters(QWidget* field, int characters);
// How wide the window must be for its whole title beside the title bar's buttons: the window manager cuts a
// title wider than the window. roomForTitle() makes it that wide at least.
int widthForTitle(const QWidget* window);
void roomForTitle(QWidget* window);
// The topic of the help file that F1 opens over this window.
void setHelpTopic(QWidget* window, int topic);
int helpTopic(const QWidget* window);

} // namespace WindowTools

class QAbstractItemView;
class QComboBox;

namespace WindowTools {
// The program's icons (":/icons/...") become available once this has run.
void loadResources();

// A cell whose text is cut shows it whole in a tooltip.
void tipLongCells(QAbstractItemView* view);
// Appends the values to the list, leaving no entry chosen; a long one has its whole text as tooltip.
void fillList(QComboBox* list, const QStringList& values);
// The list no wider than forty characters, whatever its entries: the one chosen shows whole in its tooltip.
void elideLongEntries(QComboBox* list);
} // namespace WindowTools
