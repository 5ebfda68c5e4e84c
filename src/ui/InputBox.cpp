// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/InputBox.h"

#include "ui/Numbers.h"
#include "ui/WindowTools.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QInputDialog>
#include <QLayout>
#include <QLineEdit>
#include <QScreen>
#include <QStandardPaths>
#include <QTreeView>

namespace {

// Qt's list of files writes sizes, kinds and dates in the system's language: here they read the French way.
class FrenchFileDetails : public QIdentityProxyModel {
public:
    enum Column { Name, Size, Kind, Modified };
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || index.column() == Name)
            return QIdentityProxyModel::data(index, role);
        const QFileInfo info = files->fileInfo(mapToSource(index));
        if (index.column() == Modified)
            return info.lastModified().toString(QStringLiteral("dd/MM/yyyy HH:mm"));
        if (index.column() == Kind && info.isDir())
            return QStringLiteral("Dossier");
        if (index.column() == Size && !info.isDir())
            return Numbers::french().formattedDataSize(info.size());
        return QIdentityProxyModel::data(index, role);
    }
};

// The file dialog with French details, the list's columns and the title whole. `start` is a folder, or a
// file proposed in its folder.
QString chooseFile(QWidget* parent, const QString& title, const QString& start, const QString& filter,
                   QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, title, start, filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setProxyModel(new FrenchFileDetails(&dialog));
    const QFontMetrics metrics = dialog.fontMetrics();
    const QString widest[] = {QStringLiteral("Nom de fichier assez long.csv"), QStringLiteral("1 023,99 Kio"),
                              QStringLiteral("document texte"), QStringLiteral("00/00/0000 00:00")};
    int wide = 0;
    for (const QTreeView* list : dialog.findChildren<QTreeView*>()) {
        QHeaderView* headings = list->header();
        for (int column = 0; column < headings->count() && column < 4; ++column)
            headings->resizeSection(column,
                                    std::max(headings->sectionSizeHint(column),
                                             metrics.horizontalAdvance(widest[column]) + metrics.height()));
        wide = std::max(wide, headings->length());
    }
    // Room for the list's columns beside the places, within the screen.
    const QSize screen = dialog.screen()->availableGeometry().size() * 9 / 10;
    dialog.resize(dialog.size().expandedTo(QSize(wide + 14 * metrics.height(), 0)).boundedTo(screen));
    WindowTools::roomForTitle(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString InputBox::scripted() {
    return m_texts.isEmpty() ? QString() : m_texts.dequeue();
}

QString InputBox::ask(QWidget* parent, const QString& title, const QString& prompt) {
    m_asked.append({title, prompt});
    if (m_scripted)
        return scripted();
    QInputDialog box(parent);
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    // The box takes its size from its contents: its field is made as wide as the title needs.
    box.setTextValue(QString());
    if (auto* field = box.findChild<QLineEdit*>()) {
        const QMargins margins = box.layout() ? box.layout()->contentsMargins() : QMargins();
        field->setMinimumWidth(WindowTools::widthForTitle(&box) - margins.left() - margins.right());
    }
    return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}

QString InputBox::openFile(QWidget* parent, const QString& title, const QString& filter) {
    const QString folder = m_lastFolder.isEmpty()
                               ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                               : m_lastFolder;
    m_asked.append({title, folder});
    const QString chosen =
        m_scripted ? scripted() : chooseFile(parent, title, folder, filter, QFileDialog::AcceptOpen);
    if (!chosen.isEmpty())
        m_lastFolder = QFileInfo(chosen).absolutePath();
    return chosen;
}

QString InputBox::saveFile(QWidget* parent, const QString& title, const QString& fileName,
                           const QString& filter) {
    const QString folder = m_lastFolder.isEmpty()
                               ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                               : m_lastFolder;
    const QString proposed = QDir(folder).filePath(fileName);
    m_asked.append({title, proposed});
    const QString chosen =
        m_scripted ? scripted() : chooseFile(parent, title, proposed, filter, QFileDialog::AcceptSave);
    if (!chosen.isEmpty())
        m_lastFolder = QFileInfo(chosen).absolutePath();
    return chosen;
}
