// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/CellText.h"

#include <QPainter>
#include <QTextLayout>
#include <cmath>

namespace {

// However many texts a report holds, the memory kept for them stays small.
constexpr qsizetype MostKept = 4096;
// Wide enough for any text a cell is given (at most a few hundred characters), within what the text
// engine's fixed-point lengths hold.
constexpr double Unbounded = 1e6;

} // namespace

QString CellText::oneLine(QString text) {
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = u' ';
    return text;
}

const QFontMetricsF& CellText::metrics(const QFont& font) {
    for (const auto& [known, metrics] : m_metrics)
        if (known == &font)
            return metrics;
    return m_metrics.emplace_back(&font, QFontMetricsF(font)).second;
}

const CellText::Fitted& CellText::fitted(const QFont& font, double width, const QString& text) {
    Key key{&font, std::llround(width * 64), text};
    const auto found = m_fitted.constFind(key);
    if (found != m_fitted.cend())
        return *found;
    if (m_fitted.size() >= MostKept)
        m_fitted.clear();
    Fitted fit;
    const auto lay = [&font, &fit](const QString& line) {
        QTextLayout layout(line, font);
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        QTextLine only = layout.createLine();
        if (only.isValid())
            only.setLineWidth(Unbounded);
        layout.endLayout();
        fit.glyphs = layout.glyphRuns();
        fit.width = only.isValid() ? only.naturalTextWidth() : 0;
        fit.ascent = only.isValid() ? only.ascent() : 0;
    };
    const QString line = oneLine(text);
    lay(line);
    if (fit.width > width)
        lay(metrics(font).elidedText(line, Qt::ElideRight, width));
    return *m_fitted.insert(std::move(key), std::move(fit));
}

void CellText::draw(QPainter& painter, const QFont& font, const QRectF& box, Qt::Alignment alignment,
                    const QString& text) {
    const Fitted& fit = fitted(font, box.width(), text);
    if (fit.glyphs.isEmpty())
        return;
    const QFontMetricsF& fm = metrics(font);
    double x = box.left();
    if (alignment & Qt::AlignRight)
        x = box.right() - fit.width;
    else if (alignment & Qt::AlignHCenter)
        x = box.left() + (box.width() - fit.width) / 2;
    double baseline = box.top() + (box.height() - fm.ascent() - fm.descent()) / 2 + fm.ascent();
    if (alignment & Qt::AlignTop)
        baseline = box.top() + fm.ascent();
    else if (alignment & Qt::AlignBottom)
        baseline = box.bottom() - fm.descent();
    const QPointF origin(x, baseline - fit.ascent);
    for (const QGlyphRun& run : fit.glyphs)
        painter.drawGlyphRun(origin, run);
}
