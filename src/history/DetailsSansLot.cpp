// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/DetailsSansLot.h"

#include "ui/BusyCursor.h"
#include "ui/Numbers.h"
#include "ui/Services.h"
#include "ui/TextCeiling.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// A stored value as text, cut past the ceiling: a null shows nothing, whatever its type.
QString text(const QVariant& value) {
    return value.isNull() ? QString()
                          : TextCeiling::clipped(value.toString(), SetAsideDetails::MostCharacters);
}

QString wine(const SetAsideDetails::Detail& d) {
    if (d.name.isNull())
        return QStringLiteral("inconnu de l'historique");
    QStringList parts;
    for (const QVariant& part : {d.name, d.type, d.vintage, d.colour})
        if (!text(part).isEmpty())
            parts << text(part);
    return parts.join(QStringLiteral(", "));
}

QString drinking(const SetAsideDetails::Detail& d) {
    if (d.drinkFrom.isNull() && d.drinkUntil.isNull())
        return {};
    if (d.drinkUntil.isNull())
        return QStringLiteral("dès ") + text(d.drinkFrom);
    if (d.drinkFrom.isNull())
        return QStringLiteral("jusqu'à ") + text(d.drinkUntil);
    return text(d.drinkFrom) + QStringLiteral(" – ") + text(d.drinkUntil);
}

} // namespace

DetailsSansLot::DetailsSansLot(const QString& databasePath, Services& services, QWidget* parent)
    : WorkingWindow(parent), m_count(new QLabel(this)), m_grid(new QTableWidget(0, ColumnCount, this)) {
    setObjectName(QStringLiteral("DetailsSansLot"));
    setWindowTitle(QStringLiteral("Détails sans lot"));
    auto* about = new QLabel(
        QStringLiteral(
            "Ces détails (emplacement, dates à boire, note, appréciation) ne sont montrés sur aucun "
            "lot : leur lot a disparu, ou un autre programme l'a modifié ou renuméroté. Ils sont "
            "conservés tels quels. Le vin indiqué est celui que l'historique connaissait."),
        this);
    about->setWordWrap(true);
    m_count->setObjectName(QStringLiteral("Nombre"));
    m_grid->setObjectName(QStringLiteral("Grille"));
    m_grid->setHorizontalHeaderLabels({QStringLiteral("État"), QStringLiteral("Vin (d'après l'historique)"),
                                       QStringLiteral("Emplacement"), QStringLiteral("À boire"),
                                       QStringLiteral("Note"), QStringLiteral("Appréciation")});
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setWordWrap(false);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setMinimumHeight(m_grid->fontMetrics().height() * 12);
    auto* close = new QPushButton(QStringLiteral("&Fermer"), this);
    close->setObjectName(QStringLiteral("Fermer"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(about);
    layout->addWidget(m_count);
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);
    resize(fontMetrics().averageCharWidth() * 110, sizeHint().height());

    BusyCursor busy;
    DataLink link(databasePath);
    const Result<SetAsideDetails::Listing> listing = SetAsideDetails::read(link);
    if (!listing.ok()) {
        m_count->setText(QStringLiteral("Les détails n'ont pas pu être lus."));
        services.messages.databaseError(this, listing.failure());
        return;
    }
    list(listing.value());
    m_grid->setFocus();
}

void DetailsSansLot::list(const SetAsideDetails::Listing& listing) {
    const qint64 shown = static_cast<qint64>(listing.details.size());
    if (listing.total == 0)
        m_count->setText(QStringLiteral("Aucun détail n'est détaché de son lot."));
    else if (shown < listing.total)
        m_count->setText(QStringLiteral("Les %1 premiers des %2 détails sans lot.")
                             .arg(Numbers::formatValue(shown), Numbers::formatValue(listing.total)));
    else
        m_count->setText(Numbers::counted(listing.total, QStringLiteral("détail")) +
                         QStringLiteral(" sans lot."));
    m_grid->setRowCount(static_cast<int>(shown));
    for (int r = 0; r < static_cast<int>(shown); ++r) {
        const SetAsideDetails::Detail& d = listing.details[static_cast<size_t>(r)];
        const QString cells[ColumnCount] = {d.setAside ? QStringLiteral("mis de côté")
                                                       : QStringLiteral("lot modifié ou disparu"),
                                            wine(d),
                                            text(d.location),
                                            drinking(d),
                                            text(d.note),
                                            text(d.stars)};
        for (int c = 0; c < ColumnCount; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setToolTip(cells[c]);
            m_grid->setItem(r, c, item);
        }
    }
    // Each column as wide as its texts, up to forty characters (a longer text shows whole in its tooltip),
    // and the window as wide as its columns; placed within the screen when it shows.
    m_grid->resizeColumnsToContents();
    const int most = fontMetrics().averageCharWidth() * 40;
    for (int c = 0; c < ColumnCount; ++c)
        m_grid->setColumnWidth(c, std::min(m_grid->columnWidth(c), most));
    const QMargins margins = layout()->contentsMargins();
    resize(std::max(width(), m_grid->horizontalHeader()->length() +
                                 m_grid->verticalScrollBar()->sizeHint().width() + 2 * m_grid->frameWidth() +
                                 margins.left() + margins.right()),
           height());
    if (shown > 0)
        m_grid->setCurrentCell(0, 0);
}
