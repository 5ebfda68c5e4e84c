// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "globals/Globals.h"
#include "spreadsheet/SheetImport.h"
#include "ui/WorkingWindow.h"

#include <memory>
#include <optional>

namespace Ui {
class ImporterTableau;
}
class QComboBox;
class QStandardItemModel;
struct Services;

// Brings a cellar kept in a spreadsheet or another cellar program into this one: the file opened, its
// columns matched to a lot's fields with a preview, every row reviewed, then all the valid ones imported
// as one operation.
class ImporterTableau : public WorkingWindow {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 17;

    ImporterTableau(Globals& globals, Services& services, QWidget* parent = nullptr);
    ~ImporterTableau() override;

    // The list of a field's column: "ColonneNom", "ColonneNomSuite" for its second column,
    // "ColonneTypeSinon2" for the type's third.
    QComboBox* columnList(LotReading::Field field, int part = 0) const;

public slots:
    void Ouvrir_Click();
    void Parcourir_Click();
    void ListeFeuilles_Click();
    void Colonne_Change();
    void Verifier_Click();
    // A colour of the table chosen in the list, and what it becomes in the cellar.
    void Couleurs_Click();
    void Devient_Click();
    void DejaDansLaCave_Change();
    void AnneeSansMillesime_Change();
    void Importer_Click();
    void ExporterRefus_Click();
    void Quitter_Click();

private:
    void Form_Load();
    void buildColumnLists();
    void loadSample();
    void showPreview();
    void showReview();
    void forgetReview();
    void forgetTable();
    SheetImport::Settings settings() const;
    QString chosenColour() const;
    // The year typed for the wines without vintage, 0 when none; nothing when it is not a year.
    std::optional<int> yearWithoutVintage() const;
    void tell(const QString& text, bool failure = false);

    std::unique_ptr<Ui::ImporterTableau> ui;
    Globals& m_globals;
    Services& m_services;
    QString m_path;
    std::unique_ptr<SheetReader> m_reader;
    SheetImport::Sample m_sample;
    std::optional<SheetImport::Review> m_review;
    QStringList m_cellarColours;
    LotReading::Colours m_colours;
    std::array<std::array<QComboBox*, 3>, LotReading::FieldCount> m_lists{};
    LotReading::Origin m_origin = LotReading::Origin::Other;
    QStandardItemModel* m_preview = nullptr;
    QStandardItemModel* m_refused = nullptr;
    bool m_filling = false;
};
