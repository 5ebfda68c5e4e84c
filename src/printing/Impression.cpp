// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/Impression.h"

#include "printing/ApercuInventaire.h"
#include "printing/InventoryReport.h"
#include "ui/BusyCursor.h"
#include "ui/Services.h"

#include <QTextDocument>
#include <optional>

namespace Impression {

std::unique_ptr<ApercuInventaire> prepare(Globals& globals, Services& services, QWidget* parent) {
    BusyCursor busy;
    QString error;
    const std::optional<ReportDefinition> definition =
        ReportDefinition::load(globals.CheminAppli + QLatin1String(DefinitionFile), error);
    if (!definition) {
        services.messages.notice(parent, error, MessageBox::Icon::Critical);
        return nullptr;
    }
    const QString title = InventoryReport::title(QDate::currentDate());
    const InventoryReport::Read read = InventoryReport::read(*definition, globals.databasePath(), title);
    if (read.error) {
        services.messages.databaseError(parent, *read.error);
        return nullptr;
    }
    auto preview = std::make_unique<ApercuInventaire>(
        *definition, InventoryReport::document(*definition, read.inventory),
        InventoryReport::text(*definition, read.inventory), globals.CheminAppli + QLatin1String(TextFile),
        services, parent);
    preview->setWindowTitle(title);
    return preview;
}

void run(Globals& globals, Services& services, QWidget* parent) {
    if (std::unique_ptr<ApercuInventaire> preview = prepare(globals, services, parent))
        preview->exec();
}

} // namespace Impression
