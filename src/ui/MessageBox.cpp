// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MessageBox.h"

#include "BuildInfo.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

MessageBox::Answer MessageBox::show(QWidget* parent, const QString& title, const QString& text, Icon icon,
                                    Buttons buttons, const QString& detail) {
    m_shown.append({title, text, icon, buttons, detail});
    if (m_scripted) {
        if (!m_answers.isEmpty())
            return m_answers.dequeue();
        return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }
    const QMessageBox::Icon qtIcon = icon == Icon::Information   ? QMessageBox::Information
                                     : icon == Icon::Exclamation ? QMessageBox::Warning
                                     : icon == Icon::Critical    ? QMessageBox::Critical
                                                                 : QMessageBox::Question;
    QMessageBox box(qtIcon, title, text,
                    buttons == Buttons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
    if (buttons == Buttons::YesNo)
        box.setDefaultButton(QMessageBox::Yes);
    if (!detail.isEmpty())
        box.setDetailedText(detail);
    // Whatever pointer a failing handler left, the user must be able to click the box.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int result = box.exec();
    QApplication::restoreOverrideCursor();
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

void MessageBox::inputError(QWidget* parent, const QString& text) {
    show(parent, InputErrorTitle, text, Icon::Exclamation);
}

bool MessageBox::refuse(QWidget* field, const QString& text) {
    inputError(field->window(), text);
    field->setFocus();
    return false;
}

void MessageBox::notice(QWidget* parent, const QString& text, Icon icon) {
    show(parent, QString::fromUtf8(BuildInfo::ProductName), text, icon);
}

void MessageBox::databaseError(QWidget* parent, const Failure& error) {
    show(parent, QString::fromUtf8(BuildInfo::ProductName), error.message, Icon::Critical, Buttons::Ok,
         error.detail);
}
