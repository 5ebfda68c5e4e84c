// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "purchases/Saisie.h"

class QPushButton;

// One lot of the cellar in the purchase's fields, with the purchase's checks: Valider replaces its values,
// "Supprimer ce lot" removes it, both journalled, and both refused when the lot changed since it was read.
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

protected:
    bool record(const CellarQueries::NewLot& lot, const CellarQueries::Details& details) override;

private:
    void fill();
    bool refusedAsChanged(Status failure, bool changed);

    CellarQueries::StoredLot m_seen;
    QPushButton* m_supprimer;
};
