// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/KeyStates.h"

#include <QGuiApplication>

#ifdef BROVANE_HAVE_X11
#include <QtGui/qguiapplication_platform.h>
#include <X11/XKBlib.h>
#endif

std::optional<KeyStates::Locks> readLockIndicators() {
#ifdef BROVANE_HAVE_X11
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return std::nullopt;
    const auto indicator = [display](const char* name) {
        Bool on = False;
        const Atom atom = XInternAtom(display, name, False);
        return atom != None && XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr) && on;
    };
    return KeyStates::Locks{indicator("Caps Lock"), indicator("Num Lock"), indicator("Scroll Lock")};
#else
    return std::nullopt;
#endif
}
