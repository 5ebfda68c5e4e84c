// SPDX-License-Identifier: GPL-3.0-or-later
#include "statistics/FigurePages.h"

#include "printing/ColumnFit.h"
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
constexpr double ChartText = 13;

QFont font(double points, bool bold = false) {
    QFont f;
    f.setPixelSize(static_cast<int>(points * Point));
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
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

FigurePages::FigurePages(QList<Figures::Table> tables, QString footer)
    : m_tables(std::move(tables)), m_footer(std::move(footer)),
      m_layout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
               QPageLayout::Millimeter) {
    const QRectF area = m_layout.paintRect(QPageLayout::Inch);
    m_body = font(9);
    m_bold = font(9, true);
    m_heading = font(11, true);
    m_small = font(8);
    m_line = QFontMetricsF(m_body).height() * 1.5;
    m_width = area.width() * Resolution;
    m_height = area.height() * Resolution - QFontMetricsF(m_small).height() * 2;
    measureColumns();
    paginate();
}

double FigurePages::chartHeight(const Figures::Table& table) const {
    // Laid out in the chart's own units, at the size of its texts there.
    const double units = std::max(ChartHeight, Charts::height(table, ChartText * 1.25));
    return std::min(m_width * units / ChartWidth, m_height - m_line * 4);
}

double FigurePages::noteHeight(const Figures::Table& table) const {
    if (table.note.isEmpty())
        return 0;
    const QFontMetricsF small(m_small);
    return small.boundingRect(QRectF(0, 0, m_width, m_height), Qt::TextWordWrap, table.note).height() +
           m_line * 0.5;
}

void FigurePages::paginate() {
    m_sheets.emplace_back();
    double y = 0;
    const auto newSheet = [&] {
        m_sheets.emplace_back();
        y = 0;
    };
    for (int t = 0; t < m_tables.size(); ++t) {
        const Figures::Table& table = m_tables.at(t);
        const int rows = static_cast<int>(table.rows.size());
        // A table begins below the one before when its chart, its headings and a few rows hold there.
        const double chart = chartHeight(table) + m_line;
        if (y > 0 && y + chart + m_line * (1 + std::min(rows, 3)) > m_height)
            newSheet();
        int row = 0;
        bool first = true;
        while (first || row < rows) {
            if (!first)
                newSheet();
            const double top = y;
            y += first ? chart : m_line * 1.5;
            const int fit = std::max(1, static_cast<int>((m_height - y) / m_line) - 1);
            const int taken = std::min(rows - row, fit);
            m_sheets.back().push_back({t, row, taken, first, top});
            y += m_line * (taken + 1);
            row += taken;
            first = false;
        }
        y += noteHeight(table) + m_line * 1.5;
    }
}
void FigurePages::measureColumns() {
    const QFontMetricsF body(m_body), bold(m_bold);
    m_gap = bold.averageCharWidth() * 1.5;
    for (const Figures::Table& table : m_tables) {
        // A figure needs its widest value, its total's in bold included, and its heading; the texts are
        // cut where they must be, down to their heading, but never a figure.
        std::vector<ColumnFit::Column> columns;
        const int count = static_cast<int>(table.headers.size());
        for (int c = 0; c < count; ++c) {
            const Figures::Unit unit = table.units.value(c);
            const bool figure = unit != Figures::Unit::Text;
            const double heading = bold.horizontalAdvance(table.headers.at(c));
            double widest = 0;
            for (qsizetype r = 0; r < table.rows.size(); ++r) {
                const QString value = Figures::format(table.rows.at(r).value(c), unit);
                const bool total = table.totalRow && r == table.rows.size() - 1;
                widest = std::max(widest, (total ? bold : body).horizontalAdvance(value));
            }
            columns.push_back(
                {std::max(heading, widest),
                 figure ? widest : std::min(heading, body.horizontalAdvance(QStringLiteral("0000…"))),
                 figure});
        }
        std::vector<double> widths = ColumnFit::fit(columns, m_width, m_gap);
        // What is left of the width goes to the texts.
        double used = m_gap * static_cast<double>(std::max(0, count - 1));
        for (const double w : widths)
            used += w;
        const auto texts = std::count(table.units.begin(), table.units.end(), Figures::Unit::Text);
        if (used < m_width && texts > 0)
            for (int c = 0; c < count; ++c)
                if (table.units.value(c) == Figures::Unit::Text)
                    widths[static_cast<size_t>(c)] += (m_width - used) / static_cast<double>(texts);
        m_widths.push_back(std::move(widths));
    }
}

void FigurePages::paint(QPainter& painter, int page, double dpi) const {
    painter.save();
    painter.scale(dpi / Resolution, dpi / Resolution);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    // Hatchings as wide on paper as on the screen, not a few dots of the printer.
    painter.setRenderHint(QPainter::NonCosmeticBrushPatterns);
    for (const Piece& piece : m_sheets.at(static_cast<size_t>(page)))
        paintPiece(painter, piece);
    painter.setPen(QColor(0x40, 0x40, 0x40));
    const QRectF foot(0, m_height, m_width, QFontMetricsF(m_small).height() * 2);
    m_cells.draw(painter, m_small, foot, Qt::AlignLeft | Qt::AlignBottom, m_footer);
    m_cells.draw(painter, m_small, foot, Qt::AlignRight | Qt::AlignBottom,
                 QStringLiteral("Page %1 / %2").arg(page + 1).arg(pageCount()));
    painter.restore();
}

void FigurePages::paintPiece(QPainter& painter, const Piece& piece) const {
    const Figures::Table& table = m_tables.at(piece.table);
    double y = piece.top;
    const double chartHeight = this->chartHeight(table);
    if (piece.chart && !Charts::drawable(table)) {
        painter.setPen(Qt::black);
        m_cells.draw(painter, m_heading, QRectF(0, y, m_width, m_line), Qt::AlignLeft | Qt::AlignVCenter,
                     table.title);
        m_cells.draw(painter, m_heading, QRectF(0, y, m_width, chartHeight),
                     Qt::AlignHCenter | Qt::AlignVCenter, Charts::blankText(table));
        y += chartHeight + m_line;
    } else if (piece.chart) {
        QGraphicsScene scene;
        QChart* chart =
            Charts::build(table, Charts::paper(), Charts::labelRoom(ChartWidth, ChartText * 0.55));
        setTextSizes(chart, static_cast<int>(ChartText));
        scene.addItem(chart);
        const double units = ChartWidth * chartHeight / m_width;
        chart->setGeometry(0, 0, ChartWidth, units);
        scene.setSceneRect(0, 0, ChartWidth, units);
        scene.render(&painter, QRectF(0, y, m_width, chartHeight), QRectF(0, 0, ChartWidth, units));
        y += chartHeight + m_line;
    } else {
        painter.setPen(Qt::black);
        m_cells.draw(painter, m_heading, QRectF(0, y, m_width, m_line), Qt::AlignLeft | Qt::AlignVCenter,
                     table.title + QStringLiteral(" (suite)"));
        y += m_line * 1.5;
    }
    const std::vector<double>& widths = m_widths.at(static_cast<size_t>(piece.table));
    const auto cells = [&](const QStringList& values, const QFont& f) {
        double x = 0;
        for (size_t c = 0; c < widths.size(); ++c) {
            const int column = static_cast<int>(c);
            const Qt::Alignment align =
                table.units.value(column) == Figures::Unit::Text ? Qt::AlignLeft : Qt::AlignRight;
            m_cells.draw(painter, f, QRectF(x, y, widths[c], m_line), align | Qt::AlignVCenter,
                         values.value(column));
            x += widths[c] + m_gap;
        }
        y += m_line;
    };
    painter.setPen(Qt::black);
    cells(table.headers, m_bold);
    painter.setPen(QPen(QColor(0x60, 0x60, 0x60), Point * 0.7));
    painter.drawLine(QPointF(0, y), QPointF(m_width, y));
    for (int r = piece.firstRow; r < piece.firstRow + piece.rows; ++r) {
        QStringList values;
        for (int c = 0; c < static_cast<int>(widths.size()); ++c)
            values << Figures::format(table.rows.at(r).value(c), table.units.value(c));
        const bool total = table.totalRow && r == table.rows.size() - 1;
        if (r % 2 == 1)
            painter.fillRect(QRectF(0, y, m_width, m_line), QColor(0xF0, 0xF0, 0xF0));
        painter.setPen(Qt::black);
        cells(values, total ? m_bold : m_body);
    }
    if (piece.firstRow + piece.rows >= table.rows.size() && !table.note.isEmpty()) {
        painter.setFont(m_small);
        painter.setPen(QColor(0x40, 0x40, 0x40));
        painter.drawText(QRectF(0, y + m_line * 0.5, m_width, noteHeight(table)),
                         Qt::TextWordWrap | Qt::AlignLeft, table.note);
    }
}
