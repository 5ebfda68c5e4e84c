// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/Annulation.h"

#include "database/DataLink.h"
#include "database/Journal.h"
#include "ui/BusyCursor.h"
#include "ui/Services.h"

namespace Annulation {

namespace {

const QString Title = QStringLiteral("Annuler");

Status lastOf(const Globals& globals, std::optional<Journal::Undoable>& last) {
    DataLink link(globals.databasePath());
    return Journal::lastUndoable(link, last);
}

} // namespace

QString entryText(const Globals& globals) {
    std::optional<Journal::Undoable> last;
    if (lastOf(globals, last) || !last)
        return QStringLiteral("&Annuler");
    return QStringLiteral("&Annuler : %1").arg(Journal::describe(*last));
}

void run(const Globals& globals, Services& services, QWidget* parent) {
    std::optional<Journal::Undoable> last;
    if (Status failure = lastOf(globals, last)) {
        services.messages.databaseError(parent, *failure);
        return;
    }
    if (!last) {
        services.messages.notice(parent, QStringLiteral("Il n'y a aucune opération à annuler."));
        return;
    }
    const QString what = Journal::describe(*last);
    if (services.messages.show(parent, Title,
                               QStringLiteral("Annuler : %1 ?\n\nLa cave reviendra exactement à son état "
                                              "d'avant cette opération.")
                                   .arg(what),
                               MessageBox::Icon::Question,
                               MessageBox::Buttons::YesNo) != MessageBox::Answer::Yes)
        return;
    bool changed = false;
    bool moved = false;
    Status failure;
    {
        BusyCursor busy;
        DataLink link(globals.databasePath());
        failure = link.write([&](DataLink& l) -> Status {
            // What was asked is what is undone: another copy of the program may have written meanwhile.
            std::optional<Journal::Undoable> now;
            if (Status status = Journal::lastUndoable(l, now))
                return status;
            if (!now || now->group != last->group) {
                moved = true;
                return std::nullopt;
            }
            return Journal::undo(l, last->group, changed);
        });
    }
    if (failure)
        services.messages.databaseError(parent, *failure);
    else if (moved)
        services.messages.notice(parent,
                                 QStringLiteral("La cave a été modifiée entre-temps : « %1 » n'est plus la "
                                                "dernière opération. Rien n'a été changé.")
                                     .arg(what),
                                 MessageBox::Icon::Exclamation);
    else if (changed)
        services.messages.notice(
            parent,
            QStringLiteral("« %1 » ne peut plus être annulé : un lot concerné a été modifié "
                           "depuis, par Brovane ou par un autre programme.\nRien n'a été "
                           "changé.")
                .arg(what),
            MessageBox::Icon::Exclamation);
}

} // namespace Annulation
