// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MessageBox.h"

#include "BuildInfo.h"
#include "ui/TextCeiling.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

namespace {

// A box stays within the screen and opens at once whatever a message quotes: a few lines of a few hundred
// characters.
QString fitted(const QString& text) {
    constexpr qsizetype Lines = 24;
    constexpr qsizetype LineLength = 300;
    const bool tooLong = text.size() > Lines * (LineLength + 1);
    QStringList lines = text.left(Lines * (LineLength + 1)).split(u'\n');
    if (lines.size() > Lines || tooLong) {
        lines = lines.mid(0, Lines);
        lines.back() = QStringLiteral("[…]");
    }
    for (QString& line : lines)
        line = TextCeiling::clipped(line, LineLength);
    return lines.join(u'\n');
}

// Long words (a path, a name without blanks) given places to wrap, so that the box is never wider than
// the screen.
QString wrappable(QString text) {
    constexpr qsizetype Word = 60;
    qsizetype run = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        run = text.at(i).isSpace() ? 0 : run + 1;
        if (run >= Word && !text.at(i).isHighSurrogate()) {
            text.insert(++i, QChar(0x200B));
            run = 0;
        }
    }
    return text;
}

} // namespace

MessageBox::Answer MessageBox::show(QWidget* parent, const QString& title, const QString& message, Icon icon,
                                    Buttons buttons, const QString& longDetail) {
    const QString text = fitted(message);
    const QString detail = TextCeiling::clipped(longDetail, TextCeiling::Note);
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
    QMessageBox box(qtIcon, title, wrappable(text),
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
