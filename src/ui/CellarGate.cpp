// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/CellarGate.h"

#include "database/CellarFiles.h"
#include "database/DataLink.h"
#include "storage/Backups.h"
#include "ui/MessageBox.h"

namespace CellarGate {

bool opens(MessageBox& messages, QWidget* parent, const QString& cheminBase) {
    DataLink link(CellarFiles::databasePath(cheminBase));
    const Status unusable = link.open();
    link.close();
    if (!unusable)
        return true;
    tell(messages, parent, cheminBase, *unusable);
    return false;
}

void tell(MessageBox& messages, QWidget* parent, const QString& cheminBase, const Failure& why) {
    // A cellar another program holds is whole: closing that program is the way, never a copy.
    const QString advice =
        Backups::inUse(why, cheminBase)
            ? QString()
            : QLatin1Char('\n') +
                  Backups::restoreAdvice(Backups::copiesFound(cheminBase, Backups::userFolder()));
    messages.databaseError(parent, {QStringLiteral("%1\n\nLa cave ne pouvant être lue, la fenêtre ne s'ouvre "
                                                   "pas : la cave y paraîtrait vide.%2")
                                        .arg(why.message, advice),
                                    why.detail});
}

} // namespace CellarGate
