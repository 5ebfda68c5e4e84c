// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QRectF>
#include <QString>
#include <vector>

class QPainter;

// One line of text drawn in a box, as a cell of the report: line breaks, tabs and every other control
// character as spaces, cut with "…" where it does not fit, aligned in the box. What a text becomes in a font
// and a width (its glyphs, laid out once) is kept, so that the types, colours and vintages a cellar repeats
// on every page are shaped once, and every text once per cell rather than twice.
class CellText {
public:
    CellText() = default;
    // A copy starts afresh: what is kept is known by the fonts' addresses.
    CellText(const CellText&) {}
    CellText& operator=(const CellText&) {
        m_fitted.clear();
        m_metrics.clear();
        return *this;
    }
    // The text as a cell shows it: control characters, line and paragraph breaks as spaces, one for one.
    static QString oneLine(QString text);
    // `font` must outlive this object: it is known by its address.
    void draw(QPainter& painter, const QFont& font, const QRectF& box, Qt::Alignment alignment,
              const QString& text);

private:
    struct Fitted {
        QList<QGlyphRun> glyphs; // placed from the top left of the text
        double width = 0;
        double ascent = 0;
    };
    struct Key {
        const QFont* font;
        qint64 width; // in 1/64ths of a unit
        QString text;
        bool operator==(const Key& other) const {
            return font == other.font && width == other.width && text == other.text;
        }
    };
    friend size_t qHash(const Key& key, size_t seed) {
        return qHashMulti(seed, key.font, key.width, key.text);
    }

    const QFontMetricsF& metrics(const QFont& font);
    const Fitted& fitted(const QFont& font, double width, const QString& text);

    QHash<Key, Fitted> m_fitted;
    std::vector<std::pair<const QFont*, QFontMetricsF>> m_metrics;
};
