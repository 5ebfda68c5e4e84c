// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WorkingWindow.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QWheelEvent>

#include "ui/Numbers.h"
#include "ui/WindowTools.h"

namespace {

bool isEnter(const QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// The keypad's decimal key, whichever character the keyboard layout gives it.
bool isKeypadDecimal(const QKeyEvent* key) {
    return (key->modifiers() & Qt::KeypadModifier) &&
           (key->key() == Qt::Key_Period || key->key() == Qt::Key_Comma);
}

} // namespace

// A letter typed in a closed list looks for the entry that begins with what was typed so far, as the list
// does by itself, but only shows it: « Rou » reaches Rouge past Rosé instead of choosing Rosé at the « R ».
// Enter, an arrow or a click chooses, and runs the list's handler. Letters typed within the keyboard's
// interval of the last search's *end* add up: on a long list a search outlasts the interval, and keys typed
// meanwhile must not each start afresh (« Cuvée 2999 » would end on « Cuvée 0 »).
bool WorkingWindow::searchWithoutChoosing(QComboBox* list, const QKeyEvent* key) {
    if (list->isEditable() || key->text().isEmpty() || !key->text().at(0).isPrint() ||
        (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    if (list != m_typedIn || !m_sinceTyped.isValid() ||
        m_sinceTyped.elapsed() > QApplication::keyboardInputInterval())
        m_typed.clear();
    // Space opens the list, unless it belongs to a name being typed (« Cuvée 12 »).
    if (key->key() == Qt::Key_Space && m_typed.isEmpty())
        return false;
    m_typedIn = list;
    m_typed += key->text();
    // The same letter again walks through the entries it begins, as lists do; otherwise the entry shown
    // stays while it still begins with what was typed.
    const bool sameLetter = m_typed.count(m_typed.back()) == m_typed.size();
    const int rows = list->count();
    int start = std::max(list->currentIndex(), 0);
    if (rows > 0 && (sameLetter || m_typed.size() == 1))
        start = (list->currentIndex() + 1) % rows;
    const QString wanted = sameLetter ? QString(m_typed.back()) : m_typed;
    QAbstractItemModel* model = list->model();
    const QModelIndexList found =
        rows > 0 ? model->match(model->index(start, list->modelColumn(), list->rootModelIndex()),
                                Qt::DisplayRole, wanted, 1, Qt::MatchStartsWith | Qt::MatchWrap)
                 : QModelIndexList();
    if (!found.isEmpty())
        list->setCurrentIndex(found.front().row());
    m_sinceTyped.start();
    return true;
}

WorkingWindow::WorkingWindow(QWidget* parent) : QDialog(parent) {}

int WorkingWindow::exec() {
    if (m_doNotOpen)
        return Rejected;
    return QDialog::exec();
}

void WorkingWindow::setVisible(bool visible) {
    // Within the screen whatever the cellar holds, centred on the window it was opened from.
    if (visible && !m_shown) {
        for (QComboBox* list : findChildren<QComboBox*>())
            WindowTools::elideLongEntries(list);
        WindowTools::placeOnScreen(this, !m_keepsPlace);
    }
    QDialog::setVisible(visible);
    if (!visible || m_shown)
        return;
    m_shown = true;
    // No button is the dialog's default, nor becomes it by taking the focus: Enter on a focused button is
    // pressed here, and only a field that asks draws one as the default.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
        button->installEventFilter(this);
    }
    for (QComboBox* list : findChildren<QComboBox*>())
        list->installEventFilter(this);
}

void WorkingWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Placed again at the size it shows at, once its layout has settled.
    if (!m_placed) {
        m_placed = true;
        QTimer::singleShot(0, this, [this] { WindowTools::placeOnScreen(this, !m_keepsPlace); });
    }
}

void WorkingWindow::onEnter(QWidget* field, std::function<void()> handler) {
    m_enterHandlers.insert(field, std::move(handler));
    field->installEventFilter(this);
}

void WorkingWindow::pressOnEnter(QWidget* field, QPushButton* button) {
    m_defaults.insert(field, button);
    onEnter(field, [button] { button->click(); });
}

void WorkingWindow::numberField(QLineEdit* field) {
    m_numberFields << field;
    field->installEventFilter(this);
}

bool WorkingWindow::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Wheel:
        if (auto* list = qobject_cast<QComboBox*>(watched)) {
            if (list->hasFocus() && list->count() > 0) {
                const int step = static_cast<QWheelEvent*>(event)->angleDelta().y() > 0 ? -1 : 1;
                list->setCurrentIndex(std::clamp(list->currentIndex() + step, 0, list->count() - 1));
            }
            return true;
        }
        break;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        if (QPushButton* button = m_defaults.value(watched))
            button->setDefault(event->type() == QEvent::FocusIn);
        break;
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (m_numberFields.contains(watched) && isKeypadDecimal(key)) {
            static_cast<QLineEdit*>(watched)->insert(Numbers::french().decimalPoint());
            return true;
        }
        if (auto* list = qobject_cast<QComboBox*>(watched); list && searchWithoutChoosing(list, key))
            return true;
        break;
    }
    default:
        break;
    }
    if (isEnter(event)) {
        const auto handler = m_enterHandlers.constFind(watched);
        if (handler != m_enterHandlers.constEnd())
            (*handler)();
        // A focused button takes Enter as a press; an Enter typed elsewhere never reaches it.
        if (auto* button = qobject_cast<QPushButton*>(watched)) {
            button->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void WorkingWindow::keyPressEvent(QKeyEvent* event) {
    if (isEnter(event)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
