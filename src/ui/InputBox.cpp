// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/InputBox.h"

#include <QFileDialog>
#include <QInputDialog>

QString InputBox::scripted() {
    return m_texts.isEmpty() ? QString() : m_texts.dequeue();
}

QString InputBox::ask(QWidget* parent, const QString& title, const QString& prompt) {
    m_asked.append({title, prompt});
    if (m_scripted)
        return scripted();
    bool ok = false;
    const QString text = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, QString(), &ok);
    return ok ? text : QString();
}

QString InputBox::saveFile(QWidget* parent, const QString& title, const QString& proposed,
                           const QString& filter) {
    m_asked.append({title, proposed});
    if (m_scripted)
        return scripted();
    return QFileDialog::getSaveFileName(parent, title, proposed, filter);
}
