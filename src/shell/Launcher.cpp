// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/Launcher.h"

#include "BuildInfo.h"
#include "shell/Principale.h"
#include "shell/SingleCopy.h"
#include "shell/StartUp.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

Launcher::Launcher(QApplication& app) : m_lock(singleCopyLockPath()) {
    QApplication::setApplicationName(QString::fromUtf8(BuildInfo::ProductName));
    QApplication::setApplicationDisplayName(QString::fromUtf8(BuildInfo::ProductName));
    QApplication::setApplicationVersion(StartUp::versionAppli());
    QApplication::setOrganizationName(QString::fromUtf8(BuildInfo::Company));
    // Qt's own dialogs speak French too ("Oui", "Non", "Annuler").
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}

Launcher::~Launcher() = default;

bool Launcher::start(const Assemble& assemble, const AtStart& atStart) {
    if (!StartUp::refuseSecondCopy(m_lock, m_services.messages))
        return false;
    QString settingsError;
    m_globals = StartUp::prepare(QCoreApplication::applicationFilePath(), &settingsError);
    m_window = std::make_unique<Principale>(m_globals, assemble(m_globals, m_services));
    m_window->show();
    if (!settingsError.isEmpty())
        m_services.messages.notice(
            m_window.get(),
            QStringLiteral("Le fichier de paramètres « %1Orny.ini » n'a pas pu être écrit : "
                           "%2\nLe dossier de la base ne sera pas retenu au prochain "
                           "démarrage.")
                .arg(m_globals.settingsFolder, settingsError),
            MessageBox::Icon::Exclamation);
    if (atStart)
        atStart(m_globals, m_services, m_window.get());
    return true;
}
