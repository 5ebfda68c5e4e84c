// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/GridSearch.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>

GridSearch::GridSearch(QLineEdit* field, QTableView* grid)
    : QObject(field), m_field(field), m_grid(grid), m_delay(new QTimer(this)) {
    m_delay->setSingleShot(true);
    m_delay->setInterval(DelayMs);
    connect(m_delay, &QTimer::timeout, this, &GridSearch::flush);
    connect(field, &QLineEdit::textChanged, m_delay, qOverload<>(&QTimer::start));
    field->installEventFilter(this);
}

QString GridSearch::text() const {
    return m_field->text();
}

void GridSearch::flush() {
    m_delay->stop();
    if (m_searched == m_field->text())
        return;
    m_searched = m_field->text();
    emit searched(m_searched);
}

bool GridSearch::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Down || key == Qt::Key_Return || key == Qt::Key_Enter) {
            flush();
            m_grid->setFocus(Qt::OtherFocusReason);
            if (!m_grid->currentIndex().isValid() && m_grid->model() && m_grid->model()->rowCount() > 0)
                m_grid->setCurrentIndex(m_grid->model()->index(0, 0));
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

GridSort::GridSort(QTableView* grid, std::function<bool(int)> sortable)
    : QObject(grid), m_grid(grid), m_sortable(std::move(sortable)) {
    grid->horizontalHeader()->setSectionsClickable(true);
    connect(grid->horizontalHeader(), &QHeaderView::sectionClicked, this, &GridSort::sortBy);
    auto* sort = new QAction(QStringLiteral("&Trier sur cette colonne (encore : dans l'autre sens)"), grid);
    sort->setObjectName(QStringLiteral("Trier"));
    sort->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    sort->setShortcutContext(Qt::WidgetShortcut);
    grid->addAction(sort);
    grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(sort, &QAction::triggered, this, [this] {
        const QModelIndex current = m_grid->currentIndex();
        const int column = current.isValid() ? current.column() : 0;
        sortBy(column);
        if (m_grid->model() && m_grid->model()->rowCount() > 0)
            m_grid->setCurrentIndex(m_grid->model()->index(0, column));
    });
}

void GridSort::reset() {
    m_column = -1;
    m_descending = false;
    m_grid->horizontalHeader()->setSortIndicatorShown(false);
}

void GridSort::sortBy(int column) {
    if (m_sortable && !m_sortable(column))
        return;
    m_descending = m_column == column && !m_descending;
    m_column = column;
    QHeaderView* header = m_grid->horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(column, m_descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    emit sorted(column, m_descending);
}
