// SPDX-License-Identifier: GPL-3.0-or-later
// The windows' module: the windows that need charts, printing or workbooks.
#include "BuildInfo.h"
#include "app/ModuleWindows.h"
#include "printing/Impression.h"
#include "spreadsheet/ImporterTableau.h"
#include "statistics/Statistiques.h"

extern "C" Q_DECL_EXPORT const ModuleWindows* brovane_fenetres() {
    static const ModuleWindows windows{BuildInfo::Release, &Impression::run, &openModal<ImporterTableau>,
                                       &openModal<Statistiques>};
    return &windows;
}
