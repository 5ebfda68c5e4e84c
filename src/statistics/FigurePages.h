// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "printing/CellText.h"
#include "statistics/Figures.h"

#include <QFont>
#include <QPageLayout>
#include <vector>

class QPainter;

// Tables of figures on paper: each begins on a sheet of its own with its chart, its rows follow, on further
// sheets when they do not fit. Lengths are decided once in the units of a 1200-dpi page, and drawn the
// same way on the preview, the printer and the PDF, whose charts and texts stay vector drawings.
class FigurePages {
public:
    static constexpr double Resolution = 1200;

    explicit FigurePages(QList<Figures::Table> tables);

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
    struct Sheet {
        int table = 0;
        int firstRow = 0;
        int rows = 0;
        bool chart = false;
    };
    void measureColumns();

    QList<Figures::Table> m_tables;
    QFont m_body, m_bold, m_heading;
    std::vector<std::vector<double>> m_widths; // a table's columns, as wide as they are drawn
    double m_gap = 0;
    mutable CellText m_cells;
    QPageLayout m_layout;
    std::vector<Sheet> m_sheets;
    double m_width = 0;
    double m_height = 0;
    double m_chartHeight = 0;
    double m_line = 0;
};
