// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

class QWidget;

// F1 anywhere in the program opens the help file at the active window's topic.
class HelpService : public QObject {
    Q_OBJECT
public:
    explicit HelpService(const QString& helpFile, QObject* parent = nullptr);

    // The address shown for a topic (0: the start of the file).
    QUrl topicUrl(int topic) const;
    void showHelp(QWidget* over);
    // Sends F1 to the active window without waiting, as a key press would.
    void pressF1(QWidget* fallback);

    QUrl lastShown() const { return m_lastShown; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString m_helpFile;
    QUrl m_lastShown;
};
