// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "globals/Globals.h"
#include "shell/MenuActions.h"
#include "shell/SingleCopy.h"
#include "ui/Services.h"

#include <functional>
#include <memory>

class QApplication;
class QWidget;
class Principale;
class CopyScheduler;

// The program's start: application identity and translations, the single copy, the globals, the main
// window shown, and the copies the program takes by itself.
class Application {
public:
    using Assemble = std::function<MenuActions(Globals&, Services&)>;
    // Runs once the main window is shown, before the user acts (the offer to convert an old cellar).
    using AtStart = std::function<void(Globals&, Services&, QWidget* window)>;

    // The lock is the account's own; a test gives places of its own folders.
    explicit Application(QApplication& app, const QStringList& lockPlaces = singleCopyLockPlaces());
    ~Application();

    // False when another copy runs: the user has been told, and the program must end.
    bool start(const Assemble& assemble, const AtStart& atStart = {});
    Principale* window() const { return m_window.get(); }
    CopyScheduler* copies() const { return m_copies; }

private:
    Services m_services;
    SingleCopyLock m_lock;
    Globals m_globals;
    std::unique_ptr<Principale> m_window;
    CopyScheduler* m_copies = nullptr; // a child of the window
};
