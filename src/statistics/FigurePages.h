// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "printing/CellText.h"
#include "statistics/Figures.h"

#include <QFont>
#include <QPageLayout>
#include <vector>

class QPainter;

// Tables of figures on paper, one after the other: each with its chart above its rows, begun on the sheet
// of the one before when its chart and a few rows hold there, its rows going on over further sheets. Each
// sheet ends with `footer` and its number. Lengths are decided once in the units of a 1200-dpi page, and
// drawn the same way on the preview, the printer and the PDF, whose charts and texts stay vector drawings.
class FigurePages {
public:
    static constexpr double Resolution = 1200;

    FigurePages(QList<Figures::Table> tables, QString footer);

    int pageCount() const { return static_cast<int>(m_sheets.size()); }
    const QPageLayout& pageLayout() const { return m_layout; }
    // Draws a sheet on a painter already at the printable area's corner, for `dpi` dots per inch.
    void paint(QPainter& painter, int page, double dpi) const;

    // A table's columns on paper: their widths in the units of the page, and the fonts of its rows and
    // of its total and headings. Figures and headings take what they need, the texts what they leave.
    const std::vector<double>& columnWidths(int table) const {
        return m_widths.at(static_cast<size_t>(table));
    }
    const QFont& bodyFont() const { return m_body; }
    const QFont& boldFont() const { return m_bold; }

private:
    // A table's part on a sheet: its chart and first rows, or rows going on.
    struct Piece {
        int table = 0;
        int firstRow = 0;
        int rows = 0;
        bool chart = false;
        double top = 0;
    };
    using Sheet = std::vector<Piece>;
    void measureColumns();
    void paginate();
    double chartHeight(const Figures::Table& table) const;
    double noteHeight(const Figures::Table& table) const;
    void paintPiece(QPainter& painter, const Piece& piece) const;

    QList<Figures::Table> m_tables;
    QString m_footer;
    QFont m_body, m_bold, m_heading, m_small;
    std::vector<std::vector<double>> m_widths; // a table's columns, as wide as they are drawn
    double m_gap = 0;
    mutable CellText m_cells;
    QPageLayout m_layout;
    std::vector<Sheet> m_sheets;
    double m_width = 0;
    double m_height = 0; // above the footer
    double m_line = 0;
};
