// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QQueue>
#include <QString>

class QWidget;

// The input box and the file choice. In scripted mode (tests) nothing is shown: the request is recorded
// and the next queued text is returned (empty, as for Cancel, when none is queued).
class InputBox {
public:
    struct Asked {
        QString title;
        QString prompt;
    };

    QString ask(QWidget* parent, const QString& title, const QString& prompt);
    // A file to write, proposed under `fileName` in the folder last chosen, or else in the user's documents
    // folder: never where the program cannot write. Empty on Cancel.
    QString saveFile(QWidget* parent, const QString& title, const QString& fileName, const QString& filter);
    // A file to read, looked for in the folder last chosen, or else in the user's documents folder. Empty on
    // Cancel.
    QString openFile(QWidget* parent, const QString& title, const QString& filter);

    void setScripted(bool scripted) { m_scripted = scripted; }
    void queueText(const QString& text) { m_texts.enqueue(text); }
    const QList<Asked>& asked() const { return m_asked; }

private:
    QString scripted();

    bool m_scripted = false;
    QString m_lastFolder;
    QQueue<QString> m_texts;
    QList<Asked> m_asked;
};
