// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;

// Texts too long for their fields, shown whole and read-only. A text is laid out in lines of at most
// LineLength characters, so that even millions of characters open at once.
class LongTextViewer : public QDialog {
    Q_OBJECT
public:
    static constexpr qsizetype LineLength = 1000;

    LongTextViewer(const QStringList& texts, QWidget* parent = nullptr);
    QPlainTextEdit* view() const { return m_view; }

private:
    QPlainTextEdit* m_view;
};
