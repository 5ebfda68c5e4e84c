// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/GridLayout.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

namespace GridLayout {

namespace {
QFont sansSerif(bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    font.setPointSizeF(8.25);
    font.setBold(bold);
    return font;
}
} // namespace

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
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->horizontalHeader()->setSectionsClickable(false);
    grid->horizontalHeader()->setSectionsMovable(false);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setFont(sansSerif(true));
    grid->setFont(sansSerif(false));
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->setShowGrid(true);
    grid->setStyleSheet(
        QStringLiteral("QTableView { background-color: #FFFFC0; color: black; gridline-color: "
                       "#808080; selection-background-color: #FFFFC0; selection-color: black; }"));
}

void applyColumnLayout(QTableView* grid) {
    const int dpi = grid->logicalDpiX();
    for (int column = 0; column < 7; ++column)
        grid->setColumnWidth(column, twipsToPixels(ColumnTwips[column], dpi));
}

int gridWidth(const QTableView* grid) {
    int width = 0;
    for (const int twips : ColumnTwips)
        width += twipsToPixels(twips, grid->logicalDpiX());
    return width + grid->verticalScrollBar()->sizeHint().width();
}

} // namespace GridLayout
