// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/Application.h"

#include "BuildInfo.h"
#include "shell/CopyScheduler.h"
#include "shell/Preparation.h"
#include "shell/Principale.h"
#include "shell/SessionEnd.h"
#include "shell/SingleCopy.h"
#include "ui/Numbers.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

Application::Application(QApplication& app, const QStringList& lockPlaces) : m_lock(lockPlaces) {
    QApplication::setApplicationName(QString::fromUtf8(BuildInfo::ProductName));
    // No display name: the desktop would append it to every title, and titles are the program's own.
    QApplication::setApplicationVersion(Preparation::versionAppli());
    QApplication::setOrganizationName(QString::fromUtf8(BuildInfo::Company));
    // Figures in Qt's own widgets are French too, whatever the system's language.
    QLocale::setDefault(Numbers::french());
    // Qt's own dialogs speak French too ("Oui", "Non", "Annuler").
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}

Application::~Application() = default;

bool Application::start(const Assemble& assemble, const AtStart& atStart) {
    if (!Preparation::refuseSecondCopy(m_lock, m_services.messages))
        return false;
    QStringList notices;
    m_globals = Preparation::prepare(QCoreApplication::applicationFilePath(), &notices);
    m_window = std::make_unique<Principale>(m_globals, assemble(m_globals, m_services));
    m_window->show();
    for (const QString& notice : notices)
        m_services.messages.notice(m_window.get(), notice, MessageBox::Icon::Exclamation);
    if (atStart)
        atStart(m_globals, m_services, m_window.get());
    // The day's copy beside the window; the session's at its end, once the event loop has stopped.
    m_copies = new CopyScheduler(m_globals, m_services, m_window.get());
    m_copies->startDaily();
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, m_copies, &CopyScheduler::atExit);
    SessionEnd::quitOnSignals(m_window.get());
    return true;
}
