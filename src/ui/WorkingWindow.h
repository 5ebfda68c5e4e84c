// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QHash>
#include <functional>

// Base of the modal working windows: Enter typed in a field runs that field's handler and goes on to
// the field itself, but never presses a button of the window by bubbling up; a focused button still
// takes Enter as a press.
class WorkingWindow : public QDialog {
    Q_OBJECT
protected:
    explicit WorkingWindow(QWidget* parent);

    void onEnter(QWidget* field, std::function<void()> handler);
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QHash<QObject*, std::function<void()>> m_enterHandlers;
};
