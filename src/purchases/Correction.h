// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/CellarQueries.h"
#include "purchases/Saisie.h"

#include <QHash>

class QPushButton;

// One lot of the cellar in the purchase's fields, with the purchase's checks: Valider replaces its values,
// "Supprimer ce lot" removes it, both journalled, and both refused when the lot changed since it was read.
// A field the user did not touch keeps the stored value exactly, whatever another tool wrote there; a
// text too long to lay out quickly is shown cut and read-only, whole behind "Textes entiers…".
class Correction : public Saisie {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 14;

    Correction(Globals& globals, Services& services, qint64 lot, QWidget* parent = nullptr);

    // Whether the lot was read: a lot gone since the grid showed it cannot be corrected.
    bool lotFound() const { return m_seen.found; }

public slots:
    // Puts the lot's stored values back in the fields.
    void Annuler_Click() override;
    void Supprimer_Click();
    void TextesEntiers_Click();

protected:
    bool record(const Lot& lot) override;
    bool kept(const QWidget* field) const override;

private:
    void fill();
    // Puts a stored text in a field, cut and read-only past the ceiling.
    void putStored(QWidget* field, const QString& text, qsizetype ceiling);
    bool refusedAsChanged(Status failure, bool changed);

    CellarQueries::StoredLot m_seen;
    // What each field was given, to tell what the user changed.
    QHash<const QWidget*, QString> m_given;
    QStringList m_clipped;
    QPushButton* m_supprimer;
    QPushButton* m_textes;
};
