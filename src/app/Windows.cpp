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
#include "ui/CellarGate.h"
#include "view/Visualisation.h"

namespace Windows {

namespace {

template <class Window> MenuActions::Open modal(Globals& globals, Services& services) {
    return [&globals, &services](QWidget* parent) { openModal<Window>(globals, services, parent); };
}

// A window over the cellar, which does not open when the cellar cannot be.
MenuActions::Open overCellar(MenuActions::Open open, Globals& globals, Services& services) {
    return [open = std::move(open), &globals, &services](QWidget* parent) {
        if (CellarGate::opens(services.messages, parent, globals.CheminBase))
            open(parent);
    };
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
    windows.saisie = overCellar(modal<Saisie>(globals, services), globals, services);
    windows.consommation = overCellar(modal<Consommation>(globals, services), globals, services);
    windows.visualisation = overCellar(modal<Visualisation>(globals, services), globals, services);
    windows.visualisationVue = [&globals, &services](QWidget* parent, const char* view) {
        if (!CellarGate::opens(services.messages, parent, globals.CheminBase))
            return;
        Visualisation window(globals, services, parent);
        QMetaObject::invokeMethod(&window, view);
        window.exec();
    };
    windows.imprimer = overCellar(fromModule(&ModuleWindows::imprimer, globals, services), globals, services);
    windows.config = modal<Config>(globals, services);
    windows.import = overCellar(modal<ImportBase>(globals, services), globals, services);
    windows.importTableau =
        overCellar(fromModule(&ModuleWindows::importTableau, globals, services), globals, services);
    windows.apropos = modal<Apropos>(globals, services);
    windows.sauvegarder = [&globals, &services](QWidget* parent) {
        RestaurerSauvegarde::sauvegarder(globals, services, parent);
    };
    windows.restaurer = modal<RestaurerSauvegarde>(globals, services);
    windows.annuler = [&globals, &services](QWidget* parent) { Annulation::run(globals, services, parent); };
    windows.annulerTexte = [&globals] { return Annulation::entryText(globals); };
    windows.historique = overCellar(modal<Historique>(globals, services), globals, services);
    windows.statistiques =
        overCellar(fromModule(&ModuleWindows::statistiques, globals, services), globals, services);
    return windows;
}

void atStart(Globals& globals, Services& services, QWidget* window) {
    LegacyConversion::offer(globals, services, window);
}

} // namespace Windows
