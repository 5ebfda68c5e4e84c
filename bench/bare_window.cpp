// SPDX-License-Identifier: GPL-3.0-or-later
// The baseline for start-up: a bare Qt program showing what the main window must show, by the plainest
// means. Its menu bar and tool bar come from the main window's own form, so that they hold the same entries,
// shortcuts and buttons, no fewer and no more; then the buttons' icons and the status bar's seven panels with
// the date and time. No settings, no lock, no cellar, no copy, no handler.
#include "ui/Icons.h"
#include "ui_Principale.h"

#include <QApplication>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QTest>
#include <cstdlib>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    Ui::Principale form;
    form.setupUi(&window);
    window.setWindowIcon(Icons::named("brovane"));
    const std::pair<QAction*, const char*> icons[] = {{form.SaisieAchats, "achats"},
                                                      {form.SaisieConsommation, "consommation"},
                                                      {form.Visualisation, "visualisation"},
                                                      {form.Statistiques, "statistiques"},
                                                      {form.Imprimer, "imprimer"},
                                                      {form.Config, "config"},
                                                      {form.Import, "import"},
                                                      {form.Apropos, "apropos"},
                                                      {form.Aide, "aide"},
                                                      {form.Quitter, "quitter"}};
    for (const auto& [action, icon] : icons)
        action->setIcon(Icons::named(icon));
    auto* first = new QLabel(QStringLiteral("Brovane  -  Version 1.3"));
    first->setFrameShape(QFrame::Panel);
    first->setFrameShadow(QFrame::Sunken);
    form.Barre->addWidget(first, 1);
    auto* right = new QWidget;
    auto* row = new QHBoxLayout(right);
    row->setContentsMargins(0, 0, 0, 0);
    const QDateTime now = QDateTime::currentDateTime();
    for (const QString& text :
         {QStringLiteral("DEFIL"), QStringLiteral("INS"), QStringLiteral("MAJ"), QStringLiteral("NUM"),
          now.toString(QStringLiteral("dd/MM/yyyy")), now.toString(QStringLiteral("HH:mm"))}) {
        auto* panel = new QLabel(text);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        row->addWidget(panel);
    }
    form.Barre->addPermanentWidget(right);
    window.show();
    std::_Exit(QTest::qWaitForWindowExposed(&window) ? 0 : 1);
}
