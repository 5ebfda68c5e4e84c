// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QUrl>
#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QTextBrowser;

// The help, read as a small book: its contents beside the text, Précédent and Suivant back and forth over
// the topics read, Ctrl+F to find a word (Entrée the next, Maj+Entrée the one before). Escape and Ctrl+W
// close it, as any reading window.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    HelpWindow(const QString& helpFile, const QUrl& topic, QWidget* parent);

    QTextBrowser* text() const { return m_text; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fillContents();
    void find(bool backwards);

    QTextBrowser* m_text;
    QListWidget* m_contents;
    QLineEdit* m_find;
    QLabel* m_missing; // says when a word is not in the help
};
