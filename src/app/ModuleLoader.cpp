// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ModuleLoader.h"

#include "BuildInfo.h"
#include "ui/BusyCursor.h"

#include <QDir>
#include <QHash>
#include <QLibrary>

namespace ModuleLoader {

QString fileIn(const QString& programFolder) {
    return programFolder + QLatin1String(FileName);
}

QString load(const QString& file, const ModuleWindows** loaded) {
    *loaded = nullptr;
    // Loaded once and kept for the program's life: its windows' code must outlive every call into it.
    QLibrary library(file);
    library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!library.load())
        return library.errorString();
    using Entry = const ModuleWindows* (*)();
    const auto entry = reinterpret_cast<Entry>(library.resolve(BROVANE_MODULE_ENTRY));
    const ModuleWindows* table = entry ? entry() : nullptr;
    if (!table || qstrcmp(table->build, BuildInfo::Release) != 0)
        return QStringLiteral("ce module vient d'une autre version de Brovane");
    *loaded = table;
    return {};
}

const ModuleWindows* windows(Globals& globals, Services& services, QWidget* parent) {
    const QString file = fileIn(globals.CheminAppli);
    static QHash<QString, const ModuleWindows*> loadedFrom;
    const ModuleWindows*& loaded = loadedFrom[file];
    if (loaded)
        return loaded;
    QString problem;
    {
        const BusyCursor busy;
        problem = load(file, &loaded);
    }
    if (!problem.isEmpty())
        services.messages.show(
            parent, QString::fromUtf8(BuildInfo::ProductName),
            QStringLiteral("Cette fenêtre ne peut s'ouvrir : le module « %1 » est introuvable "
                           "ou abîmé. Réinstallez Brovane.")
                .arg(QDir::toNativeSeparators(file)),
            MessageBox::Icon::Critical, MessageBox::Buttons::Ok, problem);
    return loaded;
}

} // namespace ModuleLoader
