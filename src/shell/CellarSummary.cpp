// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/CellarSummary.h"

#include "database/LotIdentity.h"
#include "ui/Numbers.h"

Result<CellarSummary> CellarSummary::read(DataLink& link, int year) {
    CellarSummary summary;
    const DbRows totals = link.query(LotRules::Totals::sumsSql(
        QStringLiteral("QUANTITE"), QStringLiteral("PRIXUNITAIRE"), QStringLiteral("FROM ORNY")));
    if (!totals.ok())
        return *totals.error;
    summary.totals = LotRules::Totals::fromSums(totals.rows.front());
    bool details = false;
    if (link.addedTables(details) || !details)
        return summary;
    // Lots that still hold a bottle, their window read through the one link of details to their lot.
    const QString window =
        QStringLiteral("(SELECT d.%1 FROM DETAIL d WHERE %2)")
            .arg(QStringLiteral("%1"), LotIdentity::detailOfSql(QStringLiteral("d"), QStringLiteral("o")));
    const DbRows drink = link.query(
        QStringLiteral("SELECT TOTAL(j <= ?1), TOTAL(s = ?1) FROM (SELECT %1 AS s, %2 AS j FROM ORNY o "
                       "WHERE %3 AND o.QUANTITE > 0)")
            .arg(window.arg(QStringLiteral("BOIRE_DES")), window.arg(QStringLiteral("BOIRE_JUSQUA")),
                 LotRules::countsSql(QStringLiteral("o.QUANTITE"), QStringLiteral("o.PRIXUNITAIRE"))),
        {year});
    if (!drink.ok())
        return *drink.error;
    summary.closing = drink.rows.front().at(0).toLongLong();
    summary.opening = drink.rows.front().at(1).toLongLong();
    return summary;
}

QString CellarSummary::html(int year) const {
    const auto link = [](const QString& target, const QString& text) {
        return QStringLiteral("<a href=\"%1\">%2</a>").arg(target, text.toHtmlEscaped());
    };
    const auto lots = [](qint64 n) { return Numbers::counted(n, QStringLiteral("lot")); };
    if (totals.lots == 0)
        return QStringLiteral("<h2>La cave est vide</h2><p>Pour la remplir, %1 (Ctrl+A), ou %2 où vous la "
                              "teniez jusqu'ici (Fichier › Importer un tableau…).</p>")
            .arg(link(QStringLiteral("saisie"), QStringLiteral("saisissez vos achats")),
                 link(QStringLiteral("tableau"), QStringLiteral("importez le tableau")));
    QString bottles = Numbers::groupedDigits(totals.bottles) +
                      (Numbers::plural(static_cast<double>(totals.bottles)) ? QStringLiteral(" bouteilles")
                                                                            : QStringLiteral(" bouteille"));
    QString text =
        QStringLiteral("<h2>Votre cave</h2><p>%1, %2<br>Valeur d'achat : %3</p>")
            .arg(link(QStringLiteral("vue:Tout_Click"), lots(totals.lots)), bottles.toHtmlEscaped(),
                 Numbers::euros(Numbers::formatAmount(totals.value)).toHtmlEscaped());
    // A line without a lot leads nowhere.
    const auto some = [&](qint64 n, const QString& view) {
        return n == 0 ? QStringLiteral("Aucun lot") : link(QStringLiteral("vue:") + view, lots(n));
    };
    text +=
        QStringLiteral("<h3>À boire</h3><p>%1 dont la fenêtre se ferme en %3 ou s'est fermée<br>%2 dont la "
                       "fenêtre s'ouvre en %3</p>")
            .arg(some(closing, QStringLiteral("Priorite_Click")),
                 some(opening, QStringLiteral("ABoire_Click")), QString::number(year));
    return text;
}
