// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WrappingLabel.h"

#include <QPainter>
#include <QStyle>

namespace {
// The narrowest a label may be made: a few characters a line.
constexpr int NarrowestCharacters = 12;
} // namespace

WrappingLabel::WrappingLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
}

int WrappingLabel::flags() const {
    return static_cast<int>(QStyle::visualAlignment(layoutDirection(), alignment())) | Qt::TextWordWrap |
           Qt::TextWrapAnywhere;
}

QSize WrappingLabel::minimumSizeHint() const {
    const QMargins margins = contentsMargins();
    const int width = fontMetrics().averageCharWidth() * NarrowestCharacters;
    return {std::min(width, sizeHint().width()) + margins.left() + margins.right(),
            fontMetrics().height() + margins.top() + margins.bottom()};
}

int WrappingLabel::heightForWidth(int width) const {
    const QMargins margins = contentsMargins();
    const int inside = std::max(1, width - margins.left() - margins.right());
    return fontMetrics().boundingRect(QRect(0, 0, inside, QWIDGETSIZE_MAX), flags(), text()).height() +
           margins.top() + margins.bottom();
}

void WrappingLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFrame(&painter);
    style()->drawItemText(&painter, contentsRect(), flags(), palette(), isEnabled(), text(),
                          foregroundRole());
}
