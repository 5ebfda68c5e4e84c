// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/Principale.h"

#include "shell/CellarSummary.h"
#include "shell/HelpService.h"
#include "shell/KeyStates.h"
#include "shell/Preparation.h"
#include "ui/BusyCursor.h"
#include "ui/Icons.h"
#include "ui/WindowTools.h"
#include "ui_Principale.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

Principale::Principale(Globals& globals, MenuActions windows, QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::Principale>()), m_globals(globals),
      m_windows(std::move(windows)), m_help(new HelpService(globals.helpFile, this)),
      m_keys(new KeyStates(this)), m_summary(new QLabel), m_clock(new QTimer(this)) {
    WindowTools::loadResources();
    ui->setupUi(this);
    Form_Load();
}

Principale::~Principale() = default;

const QStringList& Principale::dispatchOrder() {
    static const QStringList order = {"SaisieAchats",  "SaisieConsommation",
                                      "Visualisation", "Imprimer",
                                      "Quitter",       "Config",
                                      "Apropos",       "Import",
                                      "Aide",          "Statistiques"};
    return order;
}

void Principale::Form_Load() {
    // Ready pixels rather than SVG files: the window shows sooner.
    setWindowIcon(Icons::named("brovane"));
    const std::pair<QAction*, const char*> icons[] = {{ui->SaisieAchats, "achats"},
                                                      {ui->SaisieConsommation, "consommation"},
                                                      {ui->Visualisation, "visualisation"},
                                                      {ui->Statistiques, "statistiques"},
                                                      {ui->Imprimer, "imprimer"},
                                                      {ui->Config, "config"},
                                                      {ui->Import, "import"},
                                                      {ui->Apropos, "apropos"},
                                                      {ui->Aide, "aide"},
                                                      {ui->Quitter, "quitter"}};
    for (const auto& [action, icon] : icons)
        action->setIcon(Icons::named(icon));
    // The two separators of the file menu carry their names, like every other entry.
    int separator = 0;
    for (QAction* action : ui->MenuFichier->actions())
        if (action->isSeparator())
            action->setObjectName(separator++ == 0 ? QStringLiteral("Separe01")
                                                   : QStringLiteral("MenuSepare02"));

    connect(ui->MenuSaisie, &QAction::triggered, this, &Principale::MenuSaisie_Click);
    connect(ui->MenuConsommation, &QAction::triggered, this, &Principale::MenuConsommation_Click);
    connect(ui->MenuVisualisation, &QAction::triggered, this, &Principale::MenuVisualisation_Click);
    connect(ui->MenuImprimer, &QAction::triggered, this, &Principale::MenuImprimer_Click);
    connect(ui->MenuConfig, &QAction::triggered, this, &Principale::MenuConfig_Click);
    connect(ui->MenuImport, &QAction::triggered, this, &Principale::MenuImport_Click);
    connect(ui->MenuImportTableau, &QAction::triggered, this, &Principale::MenuImportTableau_Click);
    connect(ui->MenuSauvegarder, &QAction::triggered, this, &Principale::MenuSauvegarder_Click);
    connect(ui->MenuRestaurer, &QAction::triggered, this, &Principale::MenuRestaurer_Click);
    connect(ui->MenuAnnuler, &QAction::triggered, this, &Principale::MenuAnnuler_Click);
    connect(ui->MenuHistorique, &QAction::triggered, this, &Principale::MenuHistorique_Click);
    connect(ui->MenuStatistiques, &QAction::triggered, this, &Principale::MenuStatistiques_Click);
    connect(ui->MenuEdition, &QMenu::aboutToShow, this, &Principale::refreshUndoEntry);
    // "&Édition" answers Alt+É, which only some keyboards have: Alt+E opens it everywhere.
    auto* edition = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_E), this);
    connect(edition, &QShortcut::activated, this,
            [this] { ui->menubar->setActiveAction(ui->MenuEdition->menuAction()); });
    connect(ui->MenuApropos, &QAction::triggered, this, &Principale::MenuApropos_Click);
    connect(ui->MenuAide, &QAction::triggered, this, &Principale::MenuAide_Click);
    connect(ui->MenuQuitter, &QAction::triggered, this, &Principale::MenuQuitter_Click);
    connect(ui->BarreBoutons, &QToolBar::actionTriggered, this,
            [this](QAction* button) { BarreBoutons_ButtonClick(button->objectName()); });
    // The buttons carry their keys as object names, so tests and accessibility tools find them.
    for (QAction* button : ui->BarreBoutons->actions())
        if (QWidget* widget = ui->BarreBoutons->widgetForAction(button))
            widget->setObjectName(QStringLiteral("Bouton") + button->objectName());

    const std::pair<const MenuActions::Open*, QList<QAction*>> entries[] = {
        {&m_windows.saisie, {ui->MenuSaisie, ui->SaisieAchats}},
        {&m_windows.consommation, {ui->MenuConsommation, ui->SaisieConsommation}},
        {&m_windows.visualisation, {ui->MenuVisualisation, ui->Visualisation}},
        {&m_windows.imprimer, {ui->MenuImprimer, ui->Imprimer}},
        {&m_windows.config, {ui->MenuConfig, ui->Config}},
        {&m_windows.import, {ui->MenuImport, ui->Import}},
        {&m_windows.importTableau, {ui->MenuImportTableau}},
        {&m_windows.sauvegarder, {ui->MenuSauvegarder}},
        {&m_windows.restaurer, {ui->MenuRestaurer}},
        {&m_windows.annuler, {ui->MenuAnnuler}},
        {&m_windows.historique, {ui->MenuHistorique}},
        {&m_windows.statistiques, {ui->MenuStatistiques, ui->Statistiques}},
        {&m_windows.apropos, {ui->MenuApropos, ui->Apropos}}};
    for (const auto& [open, actions] : entries)
        for (QAction* action : actions)
            action->setEnabled(static_cast<bool>(*open));

    m_summary->setObjectName(QStringLiteral("Resume"));
    m_summary->setTextFormat(Qt::RichText);
    m_summary->setTextInteractionFlags(Qt::TextBrowserInteraction);
    m_summary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_summary->setWordWrap(true);
    auto* body = new QVBoxLayout(ui->Fond);
    const int margin = fontMetrics().height() * 2;
    body->setContentsMargins(margin, margin, margin, margin);
    body->addWidget(m_summary);
    connect(m_summary, &QLabel::linkActivated, this, &Principale::Resume_LinkActivated);

    buildStatusBar();
}

bool Principale::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    // Naming the last operation reads the cellar: done once the window has painted, not before it shows.
    if (event->type() == QEvent::Paint && !m_painted) {
        m_painted = true;
        QTimer::singleShot(0, this, &Principale::refreshUndoEntry);
        QTimer::singleShot(0, this, &Principale::refreshSummary);
    }
    return handled;
}

void Principale::refreshUndoEntry() {
    if (!m_windows.annuler || !m_windows.annulerTexte)
        return;
    const QString text = m_windows.annulerTexte();
    ui->MenuAnnuler->setText(text);
    // Ctrl+Z stays live while a name is shown; with nothing to undo the entry is greyed.
    ui->MenuAnnuler->setEnabled(text.contains(QLatin1Char(':')));
}

void Principale::buildStatusBar() {
    const QStringList names = {"Panneau1", "Panneau2", "Panneau3", "Panneau4",
                               "Panneau5", "Panneau6", "Panneau7"};
    const QStringList texts = {
        Preparation::statusText(m_globals.VersionAppli), "DEFIL", "INS", "MAJ", "NUM", "", ""};
    // The six panels on the right share one row, given to the bar at once: the bar lays itself out again
    // for every widget it is given.
    auto* right = new QWidget(ui->Barre);
    auto* row = new QHBoxLayout(right);
    row->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < names.size(); ++i) {
        auto* panel = new QLabel(texts.at(i), i == 0 ? static_cast<QWidget*>(ui->Barre) : right);
        panel->setObjectName(names.at(i));
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setAlignment(i == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
        panel->setMargin(2);
        if (i > 0)
            row->addWidget(panel);
        m_panels << panel;
    }
    ui->Barre->addWidget(m_panels.front(), 1);
    ui->Barre->addPermanentWidget(right);
    connect(m_clock, &QTimer::timeout, this, &Principale::refreshStatusBar);
    m_clock->start(500);
    refreshStatusBar();
}

void Principale::refreshStatusBar() {
    const std::optional<KeyStates::Locks> locks = m_keys->locks();
    m_panels.at(1)->setEnabled(locks && locks->scroll);
    m_panels.at(2)->setEnabled(m_keys->insert());
    m_panels.at(3)->setEnabled(locks && locks->caps);
    m_panels.at(4)->setEnabled(locks && locks->num);
    const QDateTime now = QDateTime::currentDateTime();
    m_panels.at(5)->setText(now.toString(QStringLiteral("dd/MM/yyyy")));
    m_panels.at(6)->setText(now.toString(QStringLiteral("HH:mm")));
}

void Principale::BarreBoutons_ButtonClick(const QString& key) {
    using Handler = void (Principale::*)();
    static const Handler handlers[] = {
        &Principale::MenuSaisie_Click,        &Principale::MenuConsommation_Click,
        &Principale::MenuVisualisation_Click, &Principale::MenuImprimer_Click,
        &Principale::MenuQuitter_Click,       &Principale::MenuConfig_Click,
        &Principale::MenuApropos_Click,       &Principale::MenuImport_Click,
        &Principale::MenuAide_Click,          &Principale::MenuStatistiques_Click};
    const qsizetype index = dispatchOrder().indexOf(key);
    if (index >= 0)
        (this->*handlers[index])();
}

void Principale::run(const MenuActions::Open& open) {
    if (open)
        open(this);
    // Whatever the window wrote may be undone now, and counts in the summary.
    refreshUndoEntry();
    refreshSummary();
}

void Principale::refreshSummary() {
    BusyCursor busy;
    const int year = QDate::currentDate().year();
    DataLink link(m_globals.databasePath());
    const Result<CellarSummary> summary = CellarSummary::read(link, year);
    // A cellar that cannot be read is told when a window opens over it; here, a line says it.
    m_summary->setText(summary.ok() ? summary->html(year)
                                    : QStringLiteral("<p>La cave n'a pas pu être lue : %1</p>")
                                          .arg(summary.failure().text().toHtmlEscaped()));
}

void Principale::Resume_LinkActivated(const QString& link) {
    if (link == QLatin1String("saisie")) {
        MenuSaisie_Click();
    } else if (link == QLatin1String("tableau")) {
        MenuImportTableau_Click();
    } else if (link.startsWith(QLatin1String("vue:")) && m_windows.visualisationVue) {
        const QByteArray view = link.mid(4).toLatin1();
        run([this, &view](QWidget* parent) { m_windows.visualisationVue(parent, view.constData()); });
    }
}

void Principale::MenuSaisie_Click() {
    run(m_windows.saisie);
}

void Principale::MenuConsommation_Click() {
    run(m_windows.consommation);
}

void Principale::MenuVisualisation_Click() {
    run(m_windows.visualisation);
}

void Principale::MenuImprimer_Click() {
    run(m_windows.imprimer);
}

void Principale::MenuConfig_Click() {
    run(m_windows.config);
}

void Principale::MenuImport_Click() {
    run(m_windows.import);
}

void Principale::MenuImportTableau_Click() {
    run(m_windows.importTableau);
}

void Principale::MenuSauvegarder_Click() {
    run(m_windows.sauvegarder);
}

void Principale::MenuRestaurer_Click() {
    run(m_windows.restaurer);
}

void Principale::MenuAnnuler_Click() {
    run(m_windows.annuler);
}

void Principale::MenuHistorique_Click() {
    run(m_windows.historique);
}

void Principale::MenuStatistiques_Click() {
    run(m_windows.statistiques);
}

void Principale::MenuApropos_Click() {
    run(m_windows.apropos);
}

void Principale::MenuAide_Click() {
    m_help->pressF1(this);
}

void Principale::MenuQuitter_Click() {
    QCoreApplication::exit(0);
}

void Principale::closeEvent(QCloseEvent* event) {
    event->accept();
    QCoreApplication::exit(0);
}
