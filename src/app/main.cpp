// SPDX-License-Identifier: GPL-3.0-or-later
// Brovane: the inventory of a private wine cellar.
#include "BuildInfo.h"
#include "shell/Principale.h"
#include "shell/SingleCopy.h"
#include "shell/StartUp.h"
#include "ui/Services.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLockFile>
#include <QTranslator>

namespace {

// Qt's own dialogs speak French too ("Oui", "Non", "Annuler").
void loadQtTranslations(QApplication& app) {
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}

WorkingWindows workingWindows(Globals&, Services&) { return {}; }

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(BuildInfo::ProductName));
    QApplication::setApplicationDisplayName(QString::fromUtf8(BuildInfo::ProductName));
    QApplication::setApplicationVersion(StartUp::versionAppli());
    QApplication::setOrganizationName(QString::fromUtf8(BuildInfo::Company));
    loadQtTranslations(app);

    Services services;
    QLockFile lock(singleCopyLockPath());
    if (!StartUp::refuseSecondCopy(lock, services.messages))
        return 0;

    QString settingsError;
    Globals globals = StartUp::prepare(QCoreApplication::applicationFilePath(), &settingsError);
    Principale window(globals, services, workingWindows(globals, services));
    window.show();
    if (!settingsError.isEmpty())
        services.messages.notice(&window,
                                 QStringLiteral("Le fichier de paramètres « %1Orny.ini » n'a pas pu être écrit : %2\n"
                                                "Le dossier de la base ne sera pas retenu au prochain démarrage.")
                                     .arg(globals.settingsFolder, settingsError),
                                 MessageBox::Icon::Exclamation);
    return QApplication::exec();
}
