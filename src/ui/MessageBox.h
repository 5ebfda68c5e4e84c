// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/Status.h"

#include <QList>
#include <QQueue>
#include <QString>

class QWidget;

// Every message box of the program goes through here. In scripted mode (tests) nothing is shown:
// the box is recorded and the next queued answer is returned.
class MessageBox {
public:
    enum class Icon { Information, Exclamation, Critical, Question };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };

    struct Shown {
        QString title;
        QString text;
        Icon icon;
        Buttons buttons;
        QString detail; // the underlying system's own words, behind a button of the box
    };

    Answer show(QWidget* parent, const QString& title, const QString& text, Icon icon,
                Buttons buttons = Buttons::Ok, const QString& detail = {});

    // "Erreur de saisie", exclamation icon, OK.
    void inputError(QWidget* parent, const QString& text);
    // An input error about one field, which then takes the focus; false, for checks to return.
    bool refuse(QWidget* field, const QString& text);
    // The program's own notices carry the product name.
    void notice(QWidget* parent, const QString& text, Icon icon = Icon::Information);
    // A failure told in French, the system's own words kept apart for support.
    void databaseError(QWidget* parent, const Failure& error);

    void setScripted(bool scripted) { m_scripted = scripted; }
    void queueAnswer(Answer answer) { m_answers.enqueue(answer); }
    const QList<Shown>& shown() const { return m_shown; }
    void clearShown() { m_shown.clear(); }

private:
    bool m_scripted = false;
    QQueue<Answer> m_answers;
    QList<Shown> m_shown;
};

inline const QString InputErrorTitle = QStringLiteral("Erreur de saisie");
