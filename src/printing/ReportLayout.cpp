// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/ReportLayout.h"

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
    return QStringLiteral("Inventaire du ") + QLocale().toString(date, QStringLiteral("dd/MM/yyyy"));
}

} // namespace

ReportLayout::ReportLayout(const ReportDefinition& definition, const InventoryReport::Plan& plan)
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
    m_bodyTop = QFontMetricsF(m_title).height() * 1.5 + m_line + m_gap;
    m_bodyBottom = height - QFontMetricsF(m_footer).height() * 2;
    measureColumns();
    if (m_problem.isEmpty())
        paginate();
}

void ReportLayout::measureColumns() {
    const QFontMetricsF body(m_body), bold(m_bold);
    // A definition counts in characters of ordinary French text, capitals and spaces included.
    const QString sample = QStringLiteral("Château Margaux, Côtes du Rhône 1998 : vins de Bourgogne");
    const double character = body.horizontalAdvance(sample) / static_cast<double>(sample.size());
    const double gap = character;
    double widest = 0;
    for (qsizetype c = 0; c < m_definition.columns.size(); ++c) {
        const ReportColumn& column = m_definition.columns.at(c);
        // The caption always shows whole; the lots take what they need, up to the definition's width.
        const double caption = bold.horizontalAdvance(column.caption.left(Drawn));
        const double most = std::max(caption, column.width * character);
        double needed = caption;
        for (const QString& text : m_plan.longest[static_cast<size_t>(c)])
            needed = std::max(needed, body.horizontalAdvance(text.left(Drawn)));
        m_columnWidth.push_back(
            std::max(std::min(needed, most), body.horizontalAdvance(QStringLiteral("0…"))));
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
    // No column grows past its definition: what the lots leave of the width spreads the columns apart, up to
    // three times their usual gap, and the rest stays at the right.
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
}

double ReportLayout::blockHeight(const Block& block) const {
    switch (block.kind) {
    case Kind::Heading:
        return m_headingLine;
    case Kind::Lots:
        return m_line * static_cast<double>(block.count);
    case Kind::Subtotal:
        return m_line + m_gap * 2;
    case Kind::Summary:
        return m_headingLine +
               m_line * static_cast<double>(InventoryReport::summary(m_plan.totals, QLocale()).size());
    case Kind::Empty:
        return m_line * 2;
    }
    return 0;
}

void ReportLayout::paginate() {
    const double room = m_bodyBottom - m_bodyTop;
    m_pages.emplace_back();
    double y = 0;
    size_t lot = 0;
    const auto newPage = [&] {
        m_pages.emplace_back();
        m_pages.back().firstLot = lot;
        y = 0;
    };
    const auto place = [&](const Block& block) {
        m_pages.back().blocks.push_back(block);
        y += blockHeight(block);
    };
    const auto fits = [&](double height) { return y == 0 || y + height <= room; };
    if (m_plan.order.empty())
        place({Kind::Empty});
    for (size_t g = 0; g < m_plan.groups.size(); ++g) {
        const InventoryReport::Group& group = m_plan.groups[g];
        const bool titled = !group.title.isEmpty();
        // A heading always comes with at least its first lot.
        if (titled) {
            if (!fits(m_headingLine + (group.lots > 0 ? m_line : 0)))
                newPage();
            place({Kind::Heading, g});
        }
        for (size_t done = 0; done < static_cast<size_t>(group.lots);) {
            size_t n = static_cast<size_t>(std::max(0.0, std::floor((room - y) / m_line)));
            if (n == 0) {
                newPage();
                if (titled)
                    place({Kind::Heading, g, 0, 0, true});
                n = static_cast<size_t>(std::max(1.0, std::floor((room - y) / m_line)));
            }
            n = std::min(n, static_cast<size_t>(group.lots) - done);
            place({Kind::Lots, g, done, n});
            m_pages.back().lotCount += n;
            done += n;
            lot += n;
        }
        if (m_definition.totals && titled) {
            const Block subtotal{Kind::Subtotal, g};
            if (!fits(blockHeight(subtotal))) {
                newPage();
                place({Kind::Heading, g, 0, 0, true});
            }
            place(subtotal);
        }
    }
    if (m_definition.totals) {
        const Block summary{Kind::Summary};
        if (!fits(blockHeight(summary)))
            newPage();
        place(summary);
    }
}

std::pair<size_t, size_t> ReportLayout::lotsOf(int page) const {
    const Page& p = m_pages.at(static_cast<size_t>(page));
    return {p.firstLot, p.lotCount};
}

void ReportLayout::paint(QPainter& painter, int page, const std::vector<DbRow>& lots, double dpi) const {
    const Page& p = m_pages.at(static_cast<size_t>(page));
    const QLocale locale;
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
                 m_definition.columns.at(static_cast<qsizetype>(c)).alignment,
                 values.at(static_cast<qsizetype>(c)));
    };

    painter.setPen(text);
    const double titleHeight = QFontMetricsF(m_title).height() * 1.5;
    draw(m_title, QRectF(0, 0, m_width, titleHeight), Qt::AlignLeft, m_plan.title);
    QStringList captions;
    for (const ReportColumn& column : m_definition.columns)
        captions << column.caption;
    cells(m_bold, titleHeight, captions);
    painter.setPen(rule);
    painter.drawLine(QPointF(0, titleHeight + m_line), QPointF(m_width, titleHeight + m_line));

    double y = m_bodyTop;
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
        case Kind::Lots:
            for (size_t i = 0; i < block.count; ++i, ++shown) {
                const double top = y + m_line * static_cast<double>(i);
                const size_t index = p.firstLot + shown;
                if (m_definition.shadedRows && index % 2 == 1) {
                    painter.fillRect(QRectF(0, top, m_width, m_line), QColor(0xF0, 0xF0, 0xF0));
                } else if (!m_definition.shadedRows) {
                    painter.setPen(light);
                    painter.drawLine(QPointF(0, top + m_line), QPointF(m_width, top + m_line));
                }
                painter.setPen(text);
                QStringList values;
                for (const ReportColumn& column : m_definition.columns)
                    values << (shown < lots.size() ? InventoryReport::cell(column, lots[shown], locale)
                                                   : QString());
                cells(m_body, top, values);
            }
            break;
        case Kind::Subtotal:
            painter.setPen(rule);
            painter.drawLine(QPointF(0, y + m_gap * 0.5), QPointF(m_width, y + m_gap * 0.5));
            painter.setPen(text);
            draw(m_bold, QRectF(0, y + m_gap * 0.5, m_width, m_line), Qt::AlignLeft,
                 InventoryReport::totalsLine(QStringLiteral("Sous-total"), group->totals, locale));
            break;
        case Kind::Summary: {
            draw(m_heading, QRectF(0, y, m_width, m_headingLine), Qt::AlignLeft,
                 QStringLiteral("Total général"));
            const double labels = std::min(m_width * 0.5, QFontMetricsF(m_body).averageCharWidth() * 32);
            const double values = std::min(m_width - labels, QFontMetricsF(m_body).averageCharWidth() * 24);
            double row = y + m_headingLine;
            painter.setPen(rule);
            painter.drawLine(QPointF(0, row), QPointF(labels + values, row));
            for (const auto& [label, value] : InventoryReport::summary(m_plan.totals, locale)) {
                painter.setPen(text);
                draw(m_body, QRectF(0, row, labels, m_line), Qt::AlignLeft, label);
                draw(m_bold, QRectF(labels, row, values, m_line), Qt::AlignRight, value);
                row += m_line;
                painter.setPen(light);
                painter.drawLine(QPointF(0, row), QPointF(labels + values, row));
            }
            break;
        }
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
