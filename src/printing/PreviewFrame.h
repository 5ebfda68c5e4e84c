// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "printing/PageView.h"

#include <QString>
#include <functional>

class QDialog;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QSpinBox;
class QVBoxLayout;

// What every preview of printed pages shows around them: rows of buttons above the pages, to which the
// window adds its own actions; « &Imprimer… » with Ctrl+P, « Page &entière », « &Largeur de page », the
// reader's place (« Page 3 / 12 »), « &Aller à la page » and « &Fermer ». The pages keep the keyboard's
// focus when it opens. Page Down, Page Up, Home and End go from page to page wherever the focus is but in
// a field; Ctrl+G goes to a page by its number.
class PreviewFrame {
public:
    // The flags of a preview's window: a title, a system menu, maximisable and closable.
    static constexpr Qt::WindowFlags Flags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                             Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint;

    explicit PreviewFrame(QDialog* window);

    PageView* view() const { return m_view; }
    // A row of buttons below those before it.
    QHBoxLayout* addRow();
    QPushButton* addButton(QHBoxLayout* row, const char* name, const QString& caption, const QString& tip);
    // « &Imprimer… », and Ctrl+P from anywhere in the window.
    void addPrint(QHBoxLayout* row, const QString& tip, const std::function<void()>& print);
    void addZoom(QHBoxLayout* row);
    // « Page n / count », kept up to date as the reader moves.
    void addWhere(QHBoxLayout* row);
    // « &Aller à la page : » and its number, which Ctrl+G reaches; Enter there gives the keys back to the
    // pages.
    void addGoTo(QHBoxLayout* row);
    void addClose(QHBoxLayout* row);
    void showPages(int count, const QPageLayout& layout, PageView::Painter painter);

private:
    QDialog* m_window;
    QVBoxLayout* m_layout;
    PageView* m_view;
    QLabel* m_where;
    QSpinBox* m_goTo = nullptr;
    int m_count = 0;
};
