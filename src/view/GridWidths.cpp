// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/GridWidths.h"

#include "view/GridLayout.h"

#include <QEvent>
#include <QHeaderView>
#include <QSettings>
#include <QTableView>

namespace {
const QString WidthsKey = QStringLiteral("Visualisation/Largeurs");
} // namespace

GridWidths::GridWidths(QTableView* grid, QString settingsFile, ColumnOf columnOf)
    : QObject(grid), m_grid(grid), m_settingsFile(std::move(settingsFile)), m_column(std::move(columnOf)) {
    const QSettings settings(m_settingsFile, QSettings::IniFormat);
    const QVariantMap saved = settings.value(WidthsKey).toMap();
    for (auto it = saved.cbegin(); it != saved.cend(); ++it)
        if (const int w = it.value().toInt(); w > 0 && w < 100000)
            m_byHand.insert(it.key(), w);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->horizontalHeader()->setStretchLastSection(false);
    grid->viewport()->installEventFilter(this);
    connect(grid->model(), &QAbstractItemModel::modelReset, this, [this] { m_needed.clear(); });
    connect(grid->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int newWidth) {
                if (!m_applying)
                    resizedByHand(column, newWidth);
            });
}

GridWidths::~GridWidths() {
    save();
}

QString GridWidths::caption(int column) const {
    return m_grid->model() ? m_grid->model()->headerData(column, Qt::Horizontal).toString() : QString();
}

int GridWidths::pixels(int twips) const {
    return static_cast<int>(GridLayout::twipsToPixels(twips, m_grid->logicalDpiX()) *
                            GridLayout::fontScale());
}

int GridWidths::twips(int pixels) const {
    return static_cast<int>(pixels * 1440.0 / m_grid->logicalDpiX() / GridLayout::fontScale() + 0.5);
}

void GridWidths::apply() {
    if (!m_grid->model())
        return;
    m_applying = true;
    const int columns = m_grid->model()->columnCount();
    int room = m_grid->viewport()->width();
    double shares = 0;
    for (int c = 0; c < columns; ++c) {
        if (const auto w = m_byHand.constFind(caption(c)); w != m_byHand.cend())
            room -= pixels(*w);
        else
            shares += m_column(c).twips;
    }
    // What is left goes to the other columns by their shares, the last one taking what rounding leaves.
    int last = -1, given = 0;
    for (int c = 0; c < columns; ++c) {
        if (const auto w = m_byHand.constFind(caption(c)); w != m_byHand.cend()) {
            m_grid->setColumnWidth(c, pixels(*w));
            continue;
        }
        const int width = shares > 0 ? static_cast<int>(room * m_column(c).twips / shares) : 0;
        m_grid->setColumnWidth(c, std::max(pixels(m_column(c).twips), width));
        given += m_grid->columnWidth(c);
        last = c;
    }
    if (last >= 0 && given < room)
        m_grid->setColumnWidth(last, m_grid->columnWidth(last) + room - given);
    // A number is never cut: its column widens, and the horizontal scroll bar shows if it must.
    fitNumbers();
    m_applying = false;
}

void GridWidths::measure(int first, int last) {
    const QAbstractItemModel* model = m_grid->model();
    if (!model)
        return;
    const int columns = model->columnCount();
    m_needed.resize(static_cast<size_t>(columns), 0);
    const QFontMetrics metrics(m_grid->font());
    // Room for the cell's margins on both sides.
    const int margins = metrics.horizontalAdvance(QLatin1Char('0')) * 2;
    bool wider = false;
    for (int column = 0; column < columns; ++column) {
        if (!m_column(column).number)
            continue;
        int& needed = m_needed[static_cast<size_t>(column)];
        for (int row = first; row <= last; ++row) {
            const int width =
                metrics.horizontalAdvance(model->index(row, column).data().toString()) + margins;
            wider = wider || width > needed;
            needed = std::max(needed, width);
        }
    }
    if (wider) {
        const bool applying = m_applying;
        m_applying = true;
        fitNumbers();
        m_applying = applying;
    }
}

void GridWidths::fitNumbers() {
    for (size_t column = 0; column < m_needed.size(); ++column)
        if (m_needed[column] > m_grid->columnWidth(static_cast<int>(column)))
            m_grid->setColumnWidth(static_cast<int>(column), m_needed[column]);
}

void GridWidths::forget() {
    m_byHand.clear();
    save();
    apply();
}

void GridWidths::resizedByHand(int column, int newWidth) {
    const QString name = caption(column);
    if (name.isEmpty())
        return;
    m_byHand.insert(name, twips(std::max(newWidth, 1)));
    apply();
}

void GridWidths::save() const {
    QSettings settings(m_settingsFile, QSettings::IniFormat);
    QVariantMap widths;
    for (auto it = m_byHand.cbegin(); it != m_byHand.cend(); ++it)
        widths.insert(it.key(), it.value());
    if (widths.isEmpty())
        settings.remove(WidthsKey);
    else
        settings.setValue(WidthsKey, widths);
}

bool GridWidths::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_grid->viewport() && event->type() == QEvent::Resize && !m_applying)
        apply();
    return QObject::eventFilter(watched, event);
}
