// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Windows.h"

#include "about/Apropos.h"
#include "configuration/Config.h"
#include "configuration/RestaurerSauvegarde.h"
#include "consumption/Consommation.h"
#include "history/Annulation.h"
#include "history/Historique.h"
#include "legacy/ImportBase.h"
#include "legacy/LegacyConversion.h"
#include "printing/Impression.h"
#include "purchases/Saisie.h"
#include "spreadsheet/ImporterTableau.h"
#include "statistics/Statistiques.h"
#include "view/Visualisation.h"

namespace Windows {

namespace {

// A working window is created afresh at each opening, shown modally, and destroyed when closed.
template <class Window> MenuActions::Open modal(Globals& globals, Services& services) {
    return [&globals, &services](QWidget* parent) {
        Window window(globals, services, parent);
        window.exec();
    };
}

} // namespace

MenuActions assemble(Globals& globals, Services& services) {
    MenuActions windows;
    windows.saisie = modal<Saisie>(globals, services);
    windows.consommation = modal<Consommation>(globals, services);
    windows.visualisation = modal<Visualisation>(globals, services);
    windows.imprimer = [&globals, &services](QWidget* parent) { Impression::run(globals, services, parent); };
    windows.config = modal<Config>(globals, services);
    windows.import = modal<ImportBase>(globals, services);
    windows.importTableau = modal<ImporterTableau>(globals, services);
    windows.apropos = modal<Apropos>(globals, services);
    windows.sauvegarder = [&globals, &services](QWidget* parent) {
        RestaurerSauvegarde::sauvegarder(globals, services, parent);
    };
    windows.restaurer = modal<RestaurerSauvegarde>(globals, services);
    windows.annuler = [&globals, &services](QWidget* parent) { Annulation::run(globals, services, parent); };
    windows.annulerTexte = [&globals] { return Annulation::entryText(globals); };
    windows.historique = modal<Historique>(globals, services);
    windows.statistiques = modal<Statistiques>(globals, services);
    return windows;
}

void atStart(Globals& globals, Services& services, QWidget* window) {
    LegacyConversion::offer(globals, services, window);
}

} // namespace Windows
