// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/Impression.h"

#include "printing/ApercuInventaire.h"
#include "printing/InventoryReport.h"
#include "ui/BusyCursor.h"
#include "ui/Services.h"

#include <QDir>
#include <optional>

namespace Impression {

std::unique_ptr<ApercuInventaire> prepare(Globals& globals, Services& services, QWidget* parent) {
    BusyCursor busy;
    QString error;
    const QString definitionPath = globals.CheminAppli + QLatin1String(DefinitionFile);
    const std::optional<ReportDefinition> definition = ReportDefinition::load(definitionPath, error);
    if (!definition) {
        services.messages.notice(parent, error, MessageBox::Icon::Critical);
        return nullptr;
    }
    InventoryReport::Read read;
    {
        DataLink link(globals.databasePath());
        ProgressService::Task progress(services.progress, parent, QStringLiteral("Inventaire"),
                                       QStringLiteral("Lecture de la cave…"));
        read = InventoryReport::read(*definition, link, QDate::currentDate(),
                                     [&progress](qint64 lots) { return progress.step(lots, 0); });
    }
    if (read.error) {
        services.messages.databaseError(parent, *read.error);
        return nullptr;
    }
    if (read.cancelled)
        return nullptr;
    const QString title = read.plan.title;
    auto preview = std::make_unique<ApercuInventaire>(*definition, std::move(read.plan),
                                                      globals.databasePath(), services, parent);
    if (preview->layout().cancelled())
        return nullptr;
    if (!preview->layout().problem().isEmpty()) {
        services.messages.notice(
            parent,
            QStringLiteral("La définition de l'inventaire « %1 » n'est pas valable : %2.")
                .arg(QDir::toNativeSeparators(definitionPath), preview->layout().problem()),
            MessageBox::Icon::Critical);
        return nullptr;
    }
    preview->setWindowTitle(title);
    return preview;
}

void run(Globals& globals, Services& services, QWidget* parent) {
    std::optional<BusyCursor> busy(std::in_place);
    std::unique_ptr<ApercuInventaire> preview = prepare(globals, services, parent);
    if (!preview)
        return;
    QObject::connect(preview.get(), &ApercuInventaire::firstPageShown, preview.get(),
                     [&busy] { busy.reset(); });
    preview->exec();
}

} // namespace Impression
