// SPDX-License-Identifier: GPL-3.0-or-later
#include "statistics/FigurePages.h"

#include "statistics/Charts.h"

#include <QChart>
#include <QFontMetricsF>
#include <QGraphicsScene>
#include <QPageSize>
#include <QPainter>
#include <algorithm>

namespace {

constexpr double Point = FigurePages::Resolution / 72.0;
// The chart is laid out at this size, in its own units, then drawn to the sheet's width.
constexpr double ChartWidth = 900;
constexpr double ChartHeight = 560;

QFont font(double points, bool bold = false) {
    QFont f;
    f.setPixelSize(static_cast<int>(points * Point));
    f.setBold(bold);
    return f;
}

void setTextSizes(QChart* chart, int pixels) {
    QFont f = chart->titleFont();
    f.setPixelSize(pixels + 3);
    chart->setTitleFont(f);
    QFont small;
    small.setPixelSize(pixels);
    chart->legend()->setFont(small);
    for (QAbstractAxis* axis : chart->axes())
        axis->setLabelsFont(small);
}

} // namespace

FigurePages::FigurePages(QList<Figures::Table> tables)
    : m_tables(std::move(tables)), m_layout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                            QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter) {
    const QRectF area = m_layout.paintRect(QPageLayout::Inch);
    m_width = area.width() * Resolution;
    m_height = area.height() * Resolution;
    m_chartHeight = m_width * ChartHeight / ChartWidth;
    m_line = QFontMetricsF(font(9)).height() * 1.5;
    for (int t = 0; t < m_tables.size(); ++t) {
        // The header line, the rows, and the note's few lines on the last sheet.
        const int rows = static_cast<int>(m_tables.at(t).rows.size());
        const int first = std::max(1, static_cast<int>((m_height - m_chartHeight) / m_line) - 5);
        const int next = std::max(1, static_cast<int>(m_height / m_line) - 5);
        int row = 0;
        m_sheets.push_back({t, 0, std::min(rows, first), true});
        row = std::min(rows, first);
        while (row < rows) {
            m_sheets.push_back({t, row, std::min(rows - row, next), false});
            row += next;
        }
    }
}

void FigurePages::paint(QPainter& painter, int page, double dpi) const {
    const Sheet& sheet = m_sheets.at(static_cast<size_t>(page));
    const Figures::Table& table = m_tables.at(sheet.table);
    painter.save();
    painter.scale(dpi / Resolution, dpi / Resolution);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    double y = 0;
    if (sheet.chart) {
        QGraphicsScene scene;
        QChart* chart = Charts::build(table, Charts::paper());
        setTextSizes(chart, 13);
        scene.addItem(chart);
        chart->setGeometry(0, 0, ChartWidth, ChartHeight);
        scene.setSceneRect(0, 0, ChartWidth, ChartHeight);
        scene.render(&painter, QRectF(0, 0, m_width, m_chartHeight), QRectF(0, 0, ChartWidth, ChartHeight));
        y = m_chartHeight + m_line;
    } else {
        painter.setFont(font(11, true));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, 0, m_width, m_line), Qt::AlignLeft | Qt::AlignVCenter,
                         table.title + QStringLiteral(" (suite)"));
        y = m_line * 1.5;
    }
    // Columns: the first (a name) takes what the others leave.
    const int columns = static_cast<int>(table.headers.size());
    const double numberWidth = std::min(m_width / columns, 25 * Point * 4);
    std::vector<double> x(static_cast<size_t>(columns) + 1, 0);
    const int texts =
        static_cast<int>(std::count(table.units.begin(), table.units.end(), Figures::Unit::Text));
    const double textWidth = (m_width - numberWidth * (columns - texts)) / std::max(1, texts);
    for (int c = 0; c < columns; ++c)
        x[static_cast<size_t>(c) + 1] =
            x[static_cast<size_t>(c)] +
            (table.units.value(c) == Figures::Unit::Text ? textWidth : numberWidth);
    const auto cells = [&](const QStringList& values, const QFont& f) {
        painter.setFont(f);
        for (int c = 0; c < columns; ++c) {
            const QRectF box(x[static_cast<size_t>(c)] + 2 * Point, y,
                             x[static_cast<size_t>(c) + 1] - x[static_cast<size_t>(c)] - 4 * Point, m_line);
            const Qt::Alignment align =
                table.units.value(c) == Figures::Unit::Text ? Qt::AlignLeft : Qt::AlignRight;
            painter.drawText(box, align | Qt::AlignVCenter,
                             painter.fontMetrics().elidedText(values.value(c), Qt::ElideRight,
                                                              static_cast<int>(box.width())));
        }
        y += m_line;
    };
    painter.setPen(Qt::black);
    cells(table.headers, font(9, true));
    painter.setPen(QPen(QColor(0x60, 0x60, 0x60), Point * 0.7));
    painter.drawLine(QPointF(0, y), QPointF(m_width, y));
    for (int r = sheet.firstRow; r < sheet.firstRow + sheet.rows; ++r) {
        QStringList values;
        for (int c = 0; c < columns; ++c)
            values << Figures::format(table.rows.at(r).value(c), table.units.value(c));
        const bool total = table.totalRow && r == table.rows.size() - 1;
        if (r % 2 == 1)
            painter.fillRect(QRectF(0, y, m_width, m_line), QColor(0xF0, 0xF0, 0xF0));
        painter.setPen(Qt::black);
        cells(values, font(9, total));
    }
    if (sheet.firstRow + sheet.rows >= table.rows.size() && !table.note.isEmpty()) {
        painter.setFont(font(8));
        painter.setPen(QColor(0x40, 0x40, 0x40));
        painter.drawText(QRectF(0, y + m_line * 0.5, m_width, m_line * 4), Qt::TextWordWrap | Qt::AlignLeft,
                         table.note);
    }
    painter.restore();
}
