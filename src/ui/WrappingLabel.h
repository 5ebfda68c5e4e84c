// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>

// A label of plain text that goes on as many lines as its width needs, so that no text, however long,
// makes its window wider than the screen. It prefers one line; a word wider than a line (a figure of
// hundreds of digits) is broken where the line ends. text() is the whole text, as shown.
class WrappingLabel : public QLabel {
    Q_OBJECT
public:
    explicit WrappingLabel(QWidget* parent = nullptr);

    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int flags() const;
};
