// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/InputBox.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QStandardPaths>

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

QString InputBox::openFile(QWidget* parent, const QString& title, const QString& filter) {
    const QString folder = m_lastFolder.isEmpty()
                               ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                               : m_lastFolder;
    m_asked.append({title, folder});
    const QString chosen =
        m_scripted ? scripted() : QFileDialog::getOpenFileName(parent, title, folder, filter);
    if (!chosen.isEmpty())
        m_lastFolder = QFileInfo(chosen).absolutePath();
    return chosen;
}

QString InputBox::saveFile(QWidget* parent, const QString& title, const QString& fileName,
                           const QString& filter) {
    const QString folder = m_lastFolder.isEmpty()
                               ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                               : m_lastFolder;
    const QString proposed = QDir(folder).filePath(fileName);
    m_asked.append({title, proposed});
    const QString chosen =
        m_scripted ? scripted() : QFileDialog::getSaveFileName(parent, title, proposed, filter);
    if (!chosen.isEmpty())
        m_lastFolder = QFileInfo(chosen).absolutePath();
    return chosen;
}
