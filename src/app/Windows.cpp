// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Windows.h"

#include "about/Apropos.h"
#include "app/ModuleLoader.h"
#include "configuration/Config.h"
#include "configuration/RestaurerSauvegarde.h"
#include "consumption/Consommation.h"
#include "history/Annulation.h"
#include "history/Historique.h"
#include "legacy/ImportBase.h"
#include "legacy/LegacyConversion.h"
#include "purchases/Saisie.h"
#include "view/Visualisation.h"

namespace Windows {

namespace {

template <class Window> MenuActions::Open modal(Globals& globals, Services& services) {
    return [&globals, &services](QWidget* parent) { openModal<Window>(globals, services, parent); };
}

// A window of the module, which is loaded the first time one of them opens.
MenuActions::Open fromModule(ModuleWindows::Open ModuleWindows::*window, Globals& globals,
                             Services& services) {
    return [window, &globals, &services](QWidget* parent) {
        if (const ModuleWindows* windows = ModuleLoader::windows(globals, services, parent))
            (windows->*window)(globals, services, parent);
    };
}

} // namespace

MenuActions assemble(Globals& globals, Services& services) {
    MenuActions windows;
    windows.saisie = modal<Saisie>(globals, services);
    windows.consommation = modal<Consommation>(globals, services);
    windows.visualisation = modal<Visualisation>(globals, services);
    windows.imprimer = fromModule(&ModuleWindows::imprimer, globals, services);
    windows.config = modal<Config>(globals, services);
    windows.import = modal<ImportBase>(globals, services);
    windows.importTableau = fromModule(&ModuleWindows::importTableau, globals, services);
    windows.apropos = modal<Apropos>(globals, services);
    windows.sauvegarder = [&globals, &services](QWidget* parent) {
        RestaurerSauvegarde::sauvegarder(globals, services, parent);
    };
    windows.restaurer = modal<RestaurerSauvegarde>(globals, services);
    windows.annuler = [&globals, &services](QWidget* parent) { Annulation::run(globals, services, parent); };
    windows.annulerTexte = [&globals] { return Annulation::entryText(globals); };
    windows.historique = modal<Historique>(globals, services);
    windows.statistiques = fromModule(&ModuleWindows::statistiques, globals, services);
    return windows;
}

void atStart(Globals& globals, Services& services, QWidget* window) {
    LegacyConversion::offer(globals, services, window);
}

} // namespace Windows
