// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/GridLayout.h"

#include "ui/Appearance.h"
#include "view/CellarQuery.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

namespace GridLayout {

namespace {
// The grid's size at the usual desktop font of 9 points.
constexpr double GridPoints = 8.25;
constexpr double UsualDesktopPoints = 9;

int pixels(const QTableView* grid, int column) {
    return static_cast<int>(twipsToPixels(CellarQuery::Columns[column].twips, grid->logicalDpiX()) *
                            fontScale());
}

QFont sansSerif(bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    font.setPointSizeF(GridPoints * fontScale());
    font.setBold(bold);
    return font;
}
} // namespace

double fontScale() {
    const double desktop = QApplication::font().pointSizeF();
    return desktop > UsualDesktopPoints ? desktop / UsualDesktopPoints : 1.0;
}

int twipsToPixels(int twips, int logicalDpi) {
    return (twips * logicalDpi + 720) / 1440;
}

void applyFixedSettings(QTableView* grid) {
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid->setTabKeyNavigation(false);
    grid->setSortingEnabled(false);
    grid->setWordWrap(false);
    grid->setFrameShape(QFrame::NoFrame);
    // Off unless a number needs more room than its column has.
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // A click on a heading sorts by that column.
    grid->horizontalHeader()->setSectionsClickable(true);
    grid->horizontalHeader()->setSectionsMovable(false);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setFont(sansSerif(true));
    grid->setFont(sansSerif(false));
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->setShowGrid(true);
    applyColours(grid);
}

void applyColours(QTableView* grid) {
    // On a light desktop the pale yellow and dark grey stay; on a dark one the grid is dark too, in a deep
    // olive that keeps the yellow's hue, with light text. The current cell stands out, framed.
    const bool dark = Appearance::isDark(QApplication::palette());
    const QString sheet =
        dark
            ? QStringLiteral(
                  "QTableView { background-color: #33331F; color: #F2F2E6; gridline-color: #8C8C73; "
                  "selection-background-color: #8A6D12; selection-color: white; }"
                  "QTableView::item:focus { border: 2px solid #FFD75E; }")
            : QStringLiteral("QTableView { background-color: #FFFFC0; color: black; gridline-color: #808080; "
                             "selection-background-color: #F2C84B; selection-color: black; }"
                             "QTableView::item:focus { border: 2px solid #7A5A00; }");
    if (grid->styleSheet() != sheet)
        grid->setStyleSheet(sheet);
}

int gridWidth(const QTableView* grid) {
    int width = 0;
    for (int column = 0; column < CellarQuery::PartColumnCount; ++column)
        width += pixels(grid, column);
    return width + grid->verticalScrollBar()->sizeHint().width();
}

} // namespace GridLayout
