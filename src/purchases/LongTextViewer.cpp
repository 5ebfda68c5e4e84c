// SPDX-License-Identifier: GPL-3.0-or-later
#include "purchases/LongTextViewer.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

LongTextViewer::LongTextViewer(const QStringList& texts, QWidget* parent)
    : QDialog(parent), m_view(new QPlainTextEdit(this)) {
    setWindowTitle(QStringLiteral("Textes entiers"));
    m_view->setObjectName(QStringLiteral("Textes"));
    m_view->setReadOnly(true);
    m_view->setLineWrapMode(QPlainTextEdit::NoWrap);
    // One block per line: the view lays out only the lines it shows.
    QString all;
    for (const QString& text : texts) {
        if (!all.isEmpty())
            all += QStringLiteral("\n\n");
        for (qsizetype at = 0; at < text.size(); at += LineLength) {
            qsizetype length = std::min(LineLength, text.size() - at);
            if (at + length < text.size() && text.at(at + length - 1).isHighSurrogate())
                --length;
            all += text.mid(at, length);
            if (at + length < text.size())
                all += u'\n';
            at -= LineLength - length;
        }
    }
    m_view->setPlainText(all);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_view);
    layout->addWidget(buttons);
    resize(720, 480);
}
