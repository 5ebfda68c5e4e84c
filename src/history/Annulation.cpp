// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/Annulation.h"

#include "database/DataLink.h"
#include "database/Journal.h"
#include "ui/BusyCursor.h"
#include "ui/Numbers.h"
#include "ui/Services.h"

#include <algorithm>

namespace Annulation {

namespace {

const QString Title = QStringLiteral("Annuler");

Status lastOf(const Globals& globals, std::optional<Journal::Undoable>& last) {
    DataLink link(globals.databasePath());
    return Journal::lastUndoable(link, last);
}

// An operation that can no longer be undone would bar the way to every older one: the user may set it
// aside, after which the undo offers the one before it.
void offerToSetAside(const Globals& globals, Services& services, QWidget* parent,
                     const Journal::Undoable& last, const QString& what) {
    if (services.messages.show(
            parent, Title,
            QStringLiteral("« %1 » ne peut plus être annulé : un lot concerné a été modifié "
                           "depuis, par Brovane ou par un autre programme.\nRien n'a été "
                           "changé.\n\nMettre cette opération de côté ? Elle reste dans "
                           "l'historique, marquée « mis de côté », et Annuler proposera "
                           "l'opération d'avant.")
                .arg(what),
            MessageBox::Icon::Exclamation, MessageBox::Buttons::YesNo) != MessageBox::Answer::Yes)
        return;
    DataLink link(globals.databasePath());
    if (Status failure = link.write([&](DataLink& l) { return Journal::setAside(l, last.group); }))
        services.messages.databaseError(parent, *failure);
}

} // namespace

QString describe(const Journal::Undoable& u) {
    const QString lot = QStringLiteral("%1 %2").arg(u.nom.toString(), u.annee.toString()).trimmed();
    // The bottles as stored, without their sign: the words say whether they came in or went out.
    QString count = Numbers::formatValue(u.bottles);
    if (count.startsWith(u'-'))
        count.remove(0, 1);
    count = Numbers::grouped(count);
    switch (u.kind) {
    case Journal::Kind::Purchase:
        return QStringLiteral("achat de %1 %2").arg(count, lot);
    case Journal::Kind::Consumption:
        return QStringLiteral("consommation de %1 %2").arg(count, lot);
    case Journal::Kind::Import:
        return QStringLiteral("import de ") + Numbers::counted(u.movements, QStringLiteral("lot"));
    case Journal::Kind::Correction:
        return QStringLiteral("correction de %1").arg(lot);
    case Journal::Kind::Removal:
        return QStringLiteral("suppression de %1").arg(lot);
    case Journal::Kind::Undo:
        break;
    }
    return QStringLiteral("annulation");
}

QString entryText(const Globals& globals) {
    std::optional<Journal::Undoable> last;
    if (lastOf(globals, last) || !last)
        return QStringLiteral("&Annuler");
    return QStringLiteral("&Annuler : %1").arg(describe(*last));
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
    const QString what = describe(*last);
    if (services.messages.show(parent, Title,
                               QStringLiteral("Annuler : %1 ?\n\nLa cave reviendra exactement à son état "
                                              "d'avant cette opération.")
                                   .arg(what),
                               MessageBox::Icon::Question,
                               MessageBox::Buttons::YesNo) != MessageBox::Answer::Yes)
        return;
    bool changed = false;
    bool moved = false;
    bool stopped = false;
    Status failure;
    {
        BusyCursor busy;
        DataLink link(globals.databasePath());
        // The engine's work grows with the movements undone: the engine calls back about once every 640
        // movements of an import undone (measured), so the bar moves with the work and ends near its end.
        const qint64 total = std::max<qint64>(1, last->movements / 600);
        qint64 done = 0;
        ProgressService::Task task(services.progress, parent, Title,
                                   QStringLiteral("Annulation de « %1 »…").arg(what));
        link.setProgress([&] { return task.step(done = std::min(done + 1, total - 1), total); });
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
        stopped = link.stopped();
    }
    if (stopped)
        services.messages.notice(
            parent,
            QStringLiteral("L'annulation de « %1 » a été interrompue : rien n'a été changé.").arg(what));
    else if (failure)
        services.messages.databaseError(parent, *failure);
    else if (moved)
        services.messages.notice(parent,
                                 QStringLiteral("La cave a été modifiée entre-temps : « %1 » n'est plus la "
                                                "dernière opération. Rien n'a été changé.")
                                     .arg(what),
                                 MessageBox::Icon::Exclamation);
    else if (changed)
        offerToSetAside(globals, services, parent, *last, what);
}

} // namespace Annulation
