// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/ReportLayout.h"

#include "printing/ColumnFit.h"
#include "ui/Numbers.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

// Lengths are in dots of a 1200-dpi page: a point is 1200 / 72 of them.
constexpr double Point = ReportLayout::Resolution / 72.0;
// No more of a text is measured or drawn than a column could ever show.
constexpr int Drawn = 4 * ReportDefinition::MaxColumnWidth;

QFont sized(const QString& family, double points, bool bold) {
    QFont font(family);
    font.setPixelSize(static_cast<int>(std::lround(points * Point)));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QString dateLine(const QDate& date) {
    return QStringLiteral("Inventaire du ") + Numbers::french().toString(date, QStringLiteral("dd/MM/yyyy"));
}

} // namespace

ReportLayout::ReportLayout(const ReportDefinition& definition, const InventoryReport::Plan& plan,
                           const LotSource& source)
    : m_definition(definition), m_plan(plan), m_pageLayout(definition.pageLayout()) {
    const QString family = definition.fontFamily.isEmpty()
                               ? QFontDatabase::systemFont(QFontDatabase::GeneralFont).family()
                               : definition.fontFamily;
    const double size = definition.fontPoints;
    m_body = sized(family, size, false);
    m_bold = sized(family, size, true);
    m_heading = sized(family, size + 2, true);
    m_title = sized(family, size + 5, true);
    m_footer = sized(family, size - 1, false);
    const QRectF area = m_pageLayout.paintRect(QPageLayout::Inch);
    m_width = area.width() * Resolution;
    const double height = area.height() * Resolution;
    m_line = QFontMetricsF(m_body).height() * 1.4;
    m_headingLine = QFontMetricsF(m_heading).height() * 1.6;
    m_gap = m_line * 0.6;
    m_firstTop = QFontMetricsF(m_title).height() * 1.5 + m_line + m_gap;
    m_nextTop = QFontMetricsF(m_footer).height() * 1.5 + m_line + m_gap;
    m_bodyBottom = height - QFontMetricsF(m_footer).height() * 2;
    measureColumns();
    if (!m_problem.isEmpty())
        return;
    measureLots(source);
    if (!m_cancelled)
        paginate();
}

void ReportLayout::measureColumns() {
    const QFontMetricsF body(m_body), bold(m_bold);
    const QList<ReportColumn>& columns = m_plan.columns;
    // A definition counts in characters of ordinary French text, capitals and spaces included.
    const QString sample = QStringLiteral("Château Margaux, Côtes du Rhône 1998 : vins de Bourgogne");
    const double character = body.horizontalAdvance(sample) / static_cast<double>(sample.size());
    const double gap = character;
    double widest = 0;
    std::vector<double> figures(static_cast<size_t>(columns.size()), 0);
    const auto widenFigure = [&](int column, const QString& figure) {
        if (column >= 0)
            figures[static_cast<size_t>(column)] =
                std::max(figures[static_cast<size_t>(column)], bold.horizontalAdvance(figure.left(Drawn)));
    };
    if (m_definition.totals) {
        for (const InventoryReport::Group& g : m_plan.groups) {
            const auto row = InventoryReport::totalsRow({}, g.totals, columns, Numbers::french());
            widenFigure(InventoryReport::bottlesColumn(columns), row.bottles);
            widenFigure(InventoryReport::valueColumn(columns), row.value);
        }
        const auto all = InventoryReport::totalsRow({}, m_plan.totals, columns, Numbers::french());
        widenFigure(InventoryReport::bottlesColumn(columns), all.bottles);
        widenFigure(InventoryReport::valueColumn(columns), all.value);
    }
    for (qsizetype c = 0; c < columns.size(); ++c) {
        const ReportColumn& column = columns.at(c);
        // The caption always shows whole; the lots take what they need, up to the definition's width but
        // for figures, which take their widest value, totals included.
        const double caption = bold.horizontalAdvance(column.caption.left(Drawn));
        const double most = std::max(caption, column.width * character);
        double needed = std::max(caption, figures[static_cast<size_t>(c)]);
        for (const QString& text : m_plan.longest[static_cast<size_t>(c)])
            needed = std::max(needed, body.horizontalAdvance(text.left(Drawn)));
        // The point a text is given to spare (cellLines()).
        needed += Point;
        const double least = body.horizontalAdvance(QStringLiteral("0…"));
        const bool figure = InventoryReport::isFigure(column);
        // Figures take their widest value but past any plausible amount, which takes the definition's width
        // and more lines, leaving the others their room.
        const bool absurd = needed > bold.horizontalAdvance(InventoryReport::widestPlausibleFigure()) + Point;
        m_columnWidth.push_back(std::max(figure && !absurd ? needed : std::min(needed, most), least));
        m_wraps.push_back(!figure || needed > m_columnWidth.back());
        widest += most + (c > 0 ? gap : 0);
    }
    if (widest > m_width) {
        m_problem =
            QStringLiteral(
                "ses colonnes demandent %1 mm, plus que les %2 mm de la largeur imprimable de la page")
                .arg(std::lround(widest / Resolution * 25.4))
                .arg(std::lround(m_width / Resolution * 25.4));
        return;
    }
    fitToPage(gap);
    // What the lots leave of the width spreads the columns apart, up to three times their usual gap, and
    // the rest stays at the right.
    double used = 0;
    for (const double w : m_columnWidth)
        used += w;
    const size_t gaps = m_columnWidth.size() - 1;
    const double spread =
        gaps == 0 ? gap : std::clamp((m_width - used) / static_cast<double>(gaps), gap, gap * 3);
    double x = 0;
    for (const double w : m_columnWidth) {
        m_columnX.push_back(x);
        x += w + spread;
    }
    m_right = m_columnX.back() + m_columnWidth.back();
}

void ReportLayout::fitToPage(double gap) {
    // Figures wider than their definition take the room from the texts, which go on more lines; the
    // figures give up room only when the texts have none left.
    const QFontMetricsF body(m_body), bold(m_bold);
    std::vector<ColumnFit::Column> columns;
    for (size_t c = 0; c < m_columnWidth.size(); ++c) {
        const ReportColumn& column = m_plan.columns.at(static_cast<qsizetype>(c));
        const bool figure = InventoryReport::isFigure(column);
        columns.push_back({m_columnWidth[c],
                           figure ? body.horizontalAdvance(QStringLiteral("0…"))
                                  : bold.horizontalAdvance(column.caption.left(Drawn)),
                           figure});
    }
    m_columnWidth = ColumnFit::fit(columns, m_width, gap);
    for (size_t c = 0; c < m_columnWidth.size(); ++c)
        if (m_columnWidth[c] < columns[c].width)
            m_wraps[c] = true;
}

QStringList ReportLayout::cellLines(size_t column, const QString& text, const QFontMetricsF& metrics) const {
    // A point to spare: the glyphs as drawn may come out a shade wider than measured.
    return InventoryReport::cellLines(
        text.left(Drawn), InventoryReport::isFigure(m_plan.columns.at(static_cast<qsizetype>(column))),
        m_columnWidth[column] - Point, [&metrics](const QString& s) { return metrics.horizontalAdvance(s); });
}

void ReportLayout::measureLots(const LotSource& source) {
    m_lotLines.assign(m_plan.order.size(), 1);
    if (!source || std::find(m_wraps.begin(), m_wraps.end(), true) == m_wraps.end())
        return;
    const QFontMetricsF body(m_body);
    const QLocale& locale = Numbers::french();
    std::vector<DbRow> lots;
    for (size_t first = 0; first < m_plan.order.size(); first += InventoryReport::Chunk) {
        const size_t count = std::min(InventoryReport::Chunk, m_plan.order.size() - first);
        if (!source(first, count, lots)) {
            m_cancelled = true;
            return;
        }
        for (size_t i = 0; i < count && i < lots.size(); ++i) {
            qsizetype lines = 1;
            for (size_t c = 0; c < m_columnWidth.size(); ++c) {
                if (!m_wraps[c])
                    continue;
                const QString text =
                    InventoryReport::cell(m_plan.columns.at(static_cast<qsizetype>(c)), lots[i], locale);
                // Most texts hold on their line: measured once, not broken.
                if (body.horizontalAdvance(text.left(Drawn)) > m_columnWidth[c] - Point)
                    lines = std::max(lines, cellLines(c, text, body).size());
            }
            m_lotLines[first + i] = static_cast<quint8>(std::min<qsizetype>(lines, 255));
        }
    }
}

ReportLayout::TotalsLines ReportLayout::layTotals(InventoryReport::TotalsRow row) const {
    TotalsLines lines;
    const QList<ReportColumn>& columns = m_plan.columns;
    const int bottles = InventoryReport::bottlesColumn(columns),
              value = InventoryReport::valueColumn(columns);
    const QFontMetricsF bold(m_bold);
    if (bottles >= 0)
        lines.bottles = cellLines(static_cast<size_t>(bottles), row.bottles, bold);
    if (value >= 0)
        lines.value = cellLines(static_cast<size_t>(value), row.value, bold);
    int firstFigure = static_cast<int>(columns.size());
    for (const int c : {bottles, value})
        if (c >= 0)
            firstFigure = std::min(firstFigure, c);
    // The words run up to the first figure, which stands at the right of its column.
    double room = m_right;
    if (firstFigure < static_cast<int>(columns.size())) {
        double figure = 0;
        for (const QString& l : firstFigure == bottles ? lines.bottles : lines.value)
            figure = std::max(figure, bold.horizontalAdvance(l));
        room = m_columnX[static_cast<size_t>(firstFigure)] + m_columnWidth[static_cast<size_t>(firstFigure)] -
               figure - bold.averageCharWidth() * 2;
    }
    const auto measure = [&bold](const QString& s) { return bold.horizontalAdvance(s); };
    // Words that do not hold on one line beside the figures take the whole width, the figures the line
    // below: a label is not broken for want of room.
    lines.apart = measure(row.words.left(Drawn)) > room;
    lines.words = InventoryReport::wrap(row.words.left(Drawn), lines.apart ? m_right : room, measure);
    lines.row = std::move(row);
    return lines;
}

double ReportLayout::blockHeight(const Block& block) const {
    switch (block.kind) {
    case Kind::Heading:
        return m_headingLine;
    case Kind::Lots:
        return block.height;
    case Kind::Subtotal:
        return m_subtotals[block.group].height(m_line) + m_gap * 2;
    case Kind::Summary:
        return m_grandTotal.height(m_line) + m_gap * 2;
    case Kind::Empty:
        return m_line * 2;
    }
    return 0;
}

void ReportLayout::paginate() {
    if (m_definition.totals) {
        for (const InventoryReport::Group& g : m_plan.groups)
            m_subtotals.push_back(layTotals(InventoryReport::totalsRow(
                QStringLiteral("Sous-total ") + g.title, g.totals, m_plan.columns, Numbers::french())));
        m_grandTotal = layTotals(InventoryReport::totalsRow(QStringLiteral("Total général"), m_plan.totals,
                                                            m_plan.columns, Numbers::french()));
    }
    const double points = 72.0 / Resolution;
    m_pages.emplace_back();
    double y = 0;
    size_t lot = 0;
    const auto room = [&] { return m_bodyBottom - bodyTop(pageCount() - 1); };
    const auto newPage = [&] {
        m_pages.emplace_back();
        m_pages.back().firstLot = lot;
        y = 0;
    };
    const auto place = [&](const Block& block) {
        m_pages.back().blocks.push_back(block);
        y += blockHeight(block);
    };
    const auto fits = [&](double height) { return y == 0 || y + height <= room(); };
    // The lots from `from` that fit below `y`, at least one when `one`, at most `most`: their count and
    // height.
    const auto fitting = [&](size_t from, size_t most, bool one) {
        std::pair<size_t, double> taken{0, 0};
        while (taken.first < most &&
               ((one && taken.first == 0) || y + taken.second + lotHeight(from + taken.first) <= room())) {
            taken.second += lotHeight(from + taken.first);
            ++taken.first;
        }
        return taken;
    };
    if (m_plan.order.empty())
        place({Kind::Empty});
    for (size_t g = 0; g < m_plan.groups.size(); ++g) {
        const InventoryReport::Group& group = m_plan.groups[g];
        const bool titled = !group.title.isEmpty();
        const size_t lots = static_cast<size_t>(group.lots);
        const double subtotal = m_definition.totals && titled ? blockHeight({Kind::Subtotal, g}) : 0;
        if (titled) {
            // A heading comes with two of its lots at least, or the whole of a shorter section.
            double keep = m_headingLine + (lots <= 2 ? subtotal : 0);
            for (size_t i = 0; i < std::min<size_t>(lots, 2); ++i)
                keep += lotHeight(lot + i);
            if (!fits(keep))
                newPage();
            m_marks.push_back({group.title, pageCount() - 1, (bodyTop(pageCount() - 1) + y) * points});
            place({Kind::Heading, g});
        }
        for (size_t done = 0; done < lots;) {
            const size_t remaining = lots - done;
            auto [n, height] = fitting(lot, remaining, false);
            // The subtotal never opens a page alone: a lot goes over with it.
            if (n == remaining && subtotal > 0 && y + height + subtotal > room()) {
                --n;
                height -= lotHeight(lot + n);
            }
            if (n == 0) {
                newPage();
                if (titled)
                    place({Kind::Heading, g, 0, 0, true});
                std::tie(n, height) = fitting(lot, remaining, true);
                if (n == remaining && n > 1 && subtotal > 0 && y + height + subtotal > room()) {
                    --n;
                    height -= lotHeight(lot + n);
                }
            }
            place({Kind::Lots, g, done, n, false, height});
            m_pages.back().lotCount += n;
            done += n;
            lot += n;
        }
        if (subtotal > 0) {
            if (!fits(subtotal)) {
                newPage();
                place({Kind::Heading, g, 0, 0, true});
            }
            place({Kind::Subtotal, g});
        }
    }
    if (m_definition.totals) {
        const Block summary{Kind::Summary};
        if (!fits(blockHeight(summary)))
            newPage();
        m_marks.push_back(
            {QStringLiteral("Total général"), pageCount() - 1, (bodyTop(pageCount() - 1) + y) * points});
        place(summary);
    }
}

std::pair<size_t, size_t> ReportLayout::lotsOf(int page) const {
    const Page& p = m_pages.at(static_cast<size_t>(page));
    return {p.firstLot, p.lotCount};
}

void ReportLayout::paint(QPainter& painter, int page, const std::vector<DbRow>& lots, double dpi) const {
    const Page& p = m_pages.at(static_cast<size_t>(page));
    const QLocale& locale = Numbers::french();
    painter.save();
    painter.scale(dpi / Resolution, dpi / Resolution);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QPen text(Qt::black), rule(QColor(0x60, 0x60, 0x60), Point * 0.7),
        light(QColor(0xC8, 0xC8, 0xC8), Point * 0.4);
    const auto draw = [this, &painter](const QFont& font, const QRectF& box, Qt::Alignment alignment,
                                       const QString& s) {
        m_cells.draw(painter, font, box, alignment, s.left(Drawn));
    };
    const auto cells = [&](const QFont& font, double y, const QStringList& values) {
        for (size_t c = 0; c < m_columnX.size(); ++c)
            draw(font, QRectF(m_columnX[c], y, m_columnWidth[c], m_line),
                 m_plan.columns.at(static_cast<qsizetype>(c)).alignment,
                 values.at(static_cast<qsizetype>(c)));
    };

    painter.setPen(text);
    // The title on the first page; after it, a small running head leaves the room to the lots.
    const double titleHeight = bodyTop(page) - m_line - m_gap;
    draw(page == 0 ? m_title : m_footer, QRectF(0, 0, m_width, titleHeight), Qt::AlignLeft, m_plan.title);
    QStringList captions;
    for (const ReportColumn& column : m_plan.columns)
        captions << column.caption;
    cells(m_bold, titleHeight, captions);
    painter.setPen(rule);
    painter.drawLine(QPointF(0, titleHeight + m_line), QPointF(m_right, titleHeight + m_line));

    const QFontMetricsF body(m_body);
    double y = bodyTop(page);
    size_t shown = 0;
    for (const Block& block : p.blocks) {
        const InventoryReport::Group* group =
            block.kind == Kind::Heading || block.kind == Kind::Lots || block.kind == Kind::Subtotal
                ? &m_plan.groups[block.group]
                : nullptr;
        painter.setPen(text);
        switch (block.kind) {
        case Kind::Heading:
            draw(m_heading, QRectF(0, y, m_width, m_headingLine), Qt::AlignLeft,
                 block.continued ? group->title + QStringLiteral(" (suite)") : group->title);
            break;
        case Kind::Lots: {
            double top = y;
            for (size_t i = 0; i < block.count; ++i, ++shown) {
                const double height = lotHeight(p.firstLot + shown);
                const auto lines = static_cast<qsizetype>(m_lotLines[p.firstLot + shown]);
                // Every section starts its shading afresh with a plain line.
                const size_t index = block.first + i;
                if (m_definition.shadedRows && index % 2 == 1) {
                    painter.fillRect(QRectF(0, top, m_right, height), QColor(0xF0, 0xF0, 0xF0));
                } else if (!m_definition.shadedRows) {
                    painter.setPen(light);
                    painter.drawLine(QPointF(0, top + height), QPointF(m_right, top + height));
                }
                painter.setPen(text);
                for (size_t c = 0; c < m_columnX.size() && shown < lots.size(); ++c) {
                    const ReportColumn& column = m_plan.columns.at(static_cast<qsizetype>(c));
                    const QString value = InventoryReport::cell(column, lots[shown], locale);
                    QStringList drawn = m_wraps[c] ? cellLines(c, value, body) : QStringList{value};
                    // Lines past those the lot was given (a layout without its lots) end in "…".
                    if (drawn.size() > lines)
                        drawn[lines - 1] = drawn.mid(lines - 1).join(u' ');
                    for (qsizetype l = 0; l < std::min(lines, drawn.size()); ++l)
                        draw(m_body,
                             QRectF(m_columnX[c], top + m_line * static_cast<double>(l), m_columnWidth[c],
                                    m_line),
                             column.alignment, drawn.at(l));
                }
                top += height;
            }
            break;
        }
        case Kind::Subtotal:
            painter.setPen(rule);
            painter.drawLine(QPointF(0, y + m_gap * 0.5), QPointF(m_right, y + m_gap * 0.5));
            paintTotals(painter, m_subtotals[block.group], y + m_gap);
            break;
        case Kind::Summary:
            painter.setPen(rule);
            painter.drawLine(QPointF(0, y + m_gap * 0.3), QPointF(m_right, y + m_gap * 0.3));
            painter.drawLine(QPointF(0, y + m_gap * 0.6), QPointF(m_right, y + m_gap * 0.6));
            paintTotals(painter, m_grandTotal, y + m_gap);
            break;
        case Kind::Empty:
            draw(m_body, QRectF(0, y, m_width, m_line), Qt::AlignLeft, QStringLiteral("La cave est vide."));
            break;
        }
        y += blockHeight(block);
    }

    painter.setPen(text);
    const QRectF foot(0, m_bodyBottom, m_width, QFontMetricsF(m_footer).height() * 2);
    draw(m_footer, foot, Qt::AlignLeft | Qt::AlignBottom, dateLine(m_plan.date));
    draw(m_footer, foot, Qt::AlignRight | Qt::AlignBottom,
         QStringLiteral("Page %1 / %2").arg(page + 1).arg(pageCount()));
    painter.restore();
}

void ReportLayout::paintTotals(QPainter& painter, const TotalsLines& totals, double y) const {
    painter.setPen(Qt::black);
    // The words were broken to their room: they never reach the figures.
    for (qsizetype i = 0; i < totals.words.size(); ++i)
        m_cells.draw(painter, m_bold, QRectF(0, y + m_line * static_cast<double>(i), m_right, m_line),
                     Qt::AlignLeft, totals.words.at(i));
    const double figures = totals.apart ? y + m_line * static_cast<double>(totals.words.size()) : y;
    const auto figure = [&](int column, const QStringList& lines) {
        for (qsizetype l = 0; column >= 0 && l < lines.size(); ++l)
            m_cells.draw(painter, m_bold,
                         QRectF(m_columnX[static_cast<size_t>(column)],
                                figures + m_line * static_cast<double>(l),
                                m_columnWidth[static_cast<size_t>(column)], m_line),
                         Qt::AlignRight, lines.at(l));
    };
    figure(InventoryReport::bottlesColumn(m_plan.columns), totals.bottles);
    figure(InventoryReport::valueColumn(m_plan.columns), totals.value);
}
