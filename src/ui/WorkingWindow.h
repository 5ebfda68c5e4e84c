// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <functional>

class QLineEdit;
class QPushButton;

// Base of the modal working windows and what they share as the keyboard and the mouse go:
// - A window opens within the screen, centred on its parent, its lists no wider than forty characters
//   (a longer entry is cut with "…" and shown whole in its tooltip).
// - Enter typed in a field runs that field's handler and goes on to the field itself, but never presses a
//   button of the window by bubbling up; a focused button still takes Enter as a press.
// - No button is drawn as the window's default unless Enter presses it: pressOnEnter() makes a button the
//   default while one field has the focus.
// - The mouse wheel over a closed list does nothing unless the list has the focus, and then only changes
//   the entry shown: it never runs the list's handler, as choosing does. Letters typed in a list only show
//   the entry they spell, too.
// - In the number fields, the keypad's decimal key types the locale's decimal separator.
class WorkingWindow : public QDialog {
    Q_OBJECT
public:
    void setVisible(bool visible) override;
    // Returns at once, the window never shown, when it found at its opening that it has nothing to show.
    int exec() override;

protected:
    explicit WorkingWindow(QWidget* parent);

    void onEnter(QWidget* field, std::function<void()> handler);
    void pressOnEnter(QWidget* field, QPushButton* button);
    void numberField(QLineEdit* field);
    // The window opens where it was left rather than centred on its parent.
    void keepPlace() { m_keepsPlace = true; }
    // What the window opens for cannot be shown (the user has been told why): it does not open.
    void doNotOpen() { m_doNotOpen = true; }
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool searchWithoutChoosing(QComboBox* list, const QKeyEvent* key);

    QHash<QObject*, std::function<void()>> m_enterHandlers;
    QHash<QObject*, QPushButton*> m_defaults;
    QList<QObject*> m_numberFields;
    bool m_shown = false;
    bool m_keepsPlace = false;
    bool m_placed = false;
    bool m_doNotOpen = false;
    // What was typed in a closed list, and since when the last search ended.
    QString m_typed;
    QPointer<QComboBox> m_typedIn;
    QElapsedTimer m_sinceTyped;
};
