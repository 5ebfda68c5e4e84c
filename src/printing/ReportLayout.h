// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "printing/CellText.h"
#include "printing/InventoryReport.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <functional>
#include <vector>

class QPainter;

// The pages of the inventory, decided once in the units of a 1200-dpi page and drawn the same way on the
// screen, the printer and a PDF, so that every page breaks at the same lot everywhere. The first page has
// the title, the others a small running head, and each the column headings; a text longer than its column
// goes on the next lines of the lot. A group continued from the page before is headed "(suite)" and shows
// at least one of its lots; a group's heading never ends a page without two of its lots below it (or all
// of them, with the subtotal, when it has no more).
class ReportLayout {
public:
    static constexpr double Resolution = 1200;
    // The lots of the plan's order from `first`, `count` of them, as InventoryReport::fetchLots gives them;
    // false to stop (the user cancelled).
    using LotSource = std::function<bool(size_t first, size_t count, std::vector<DbRow>& lots)>;

    // Without a source, each lot is given one line, and a longer text is cut.
    ReportLayout(const ReportDefinition& definition, const InventoryReport::Plan& plan,
                 const LotSource& source = {});

    // Why the definition's columns cannot be printed on its page; empty when they can.
    const QString& problem() const { return m_problem; }
    bool cancelled() const { return m_cancelled; }
    const QPageLayout& pageLayout() const { return m_pageLayout; }
    int pageCount() const { return static_cast<int>(m_pages.size()); }
    // The lots a page shows: from `first` in the plan's order, `count` of them.
    std::pair<size_t, size_t> lotsOf(int page) const;
    // Draws a page, `lots` being lotsOf(page) as fetched, on a painter of a device of `dpi` dots per inch.
    void paint(QPainter& painter, int page, const std::vector<DbRow>& lots, double dpi) const;

    // Where each section and the grand total begin: a page, and a height in points from the printable
    // area's top.
    struct Mark {
        QString title;
        int page = 0;
        double top = 0;
    };
    const std::vector<Mark>& marks() const { return m_marks; }
    // The columns' left edges and widths, in the units of the page.
    const std::vector<double>& columnX() const { return m_columnX; }
    const std::vector<double>& columnWidths() const { return m_columnWidth; }

private:
    enum class Kind { Heading, Lots, Subtotal, Summary, Empty };
    // A total laid out: its words in lines, the figures beside the first line or below the last.
    struct TotalsLines {
        InventoryReport::TotalsRow row;
        QStringList words, bottles, value;
        bool apart = false;
        qsizetype figureLines() const { return std::max<qsizetype>({1, bottles.size(), value.size()}); }
        double height(double line) const {
            return line * static_cast<double>(apart ? words.size() + figureLines()
                                                    : std::max(words.size(), figureLines()));
        }
    };
    struct Block {
        Kind kind;
        size_t group = 0;
        size_t first = 0; // lots: from this one of the group, `count` of them
        size_t count = 0;
        bool continued = false;
        double height = 0; // of lots
    };
    struct Page {
        std::vector<Block> blocks;
        size_t firstLot = 0;
        size_t lotCount = 0;
    };

    void measureColumns();
    void fitToPage(double gap);
    void measureLots(const LotSource& source);
    // A cell's text in the lines its column holds.
    QStringList cellLines(size_t column, const QString& text, const QFontMetricsF& metrics) const;
    TotalsLines layTotals(InventoryReport::TotalsRow row) const;
    void paginate();
    double bodyTop(int page) const { return page == 0 ? m_firstTop : m_nextTop; }
    double lotHeight(size_t lot) const { return m_line * m_lotLines[lot]; }
    double blockHeight(const Block& block) const;
    void paintTotals(QPainter& painter, const TotalsLines& totals, double y) const;

    const ReportDefinition& m_definition;
    const InventoryReport::Plan& m_plan;
    QPageLayout m_pageLayout;
    QString m_problem;
    QFont m_body, m_bold, m_heading, m_title, m_footer;
    double m_width = 0; // of the printable area
    // Where the lots start, below the title (or the running head) and the headings.
    double m_firstTop = 0, m_nextTop = 0;
    double m_bodyBottom = 0;
    double m_line = 0, m_headingLine = 0, m_gap = 0;
    std::vector<double> m_columnX, m_columnWidth;
    double m_right = 0; // where the last column ends: rules and shading stop there
    // Columns whose texts may take more than a line: texts, and figures wider than their column.
    std::vector<bool> m_wraps;
    std::vector<quint8> m_lotLines; // in the plan's order
    bool m_cancelled = false;
    std::vector<TotalsLines> m_subtotals; // one per group
    TotalsLines m_grandTotal;
    std::vector<Page> m_pages;
    std::vector<Mark> m_marks;
    mutable CellText m_cells;
};
