// SPDX-License-Identifier: GPL-3.0-or-later
#include "spreadsheet/SheetXml.h"

#include "spreadsheet/SheetReader.h"

SheetXml::SheetXml(QIODevice* device, const QString& part) : m_xml(device), m_part(part) {
    // No entity is ever expanded: a DTD is refused on sight, and nothing else may declare one.
    m_xml.setEntityExpansionLimit(0);
}

void SheetXml::refuse(const QString& why) {
    m_refused = unreadable(why);
    m_xml.raiseError(why);
}

bool SheetXml::next() {
    if (m_refused)
        return false;
    m_xml.readNext();
    if (m_xml.tokenType() == QXmlStreamReader::DTD)
        refuse(QStringLiteral("il contient des déclarations d'entités XML, que Brovane refuse de lire"));
    else if (m_xml.isStartElement() && ++m_depth > SheetLimits::XmlDepth)
        refuse(
            QStringLiteral("sa partie « %1 » imbrique ses éléments sur plus de %2 niveaux (fichier piégé ?)")
                .arg(m_part)
                .arg(SheetLimits::XmlDepth));
    else if (m_xml.isEndElement())
        --m_depth;
    return !m_xml.atEnd() && !m_xml.hasError();
}

bool SheetXml::nextStartIn(int level) {
    while (m_depth >= level && next())
        if (m_xml.isStartElement())
            return true;
    return false;
}

void SheetXml::skip() {
    const int level = m_depth;
    while (m_depth >= level && next()) {
    }
}

bool SheetXml::appendText(QString& text, const std::function<bool()>& start) {
    const int level = m_depth;
    while (m_depth >= level && next()) {
        if (m_xml.isStartElement() && start && !start())
            skip();
        else if (m_xml.isCharacters())
            text += m_xml.text();
        if (text.size() > SheetLimits::CellChars) {
            refuse(QStringLiteral("une cellule dépasse %1 caractères").arg(SheetLimits::CellChars));
            return false;
        }
    }
    return !m_xml.hasError();
}

std::optional<Failure> SheetXml::failure() const {
    if (m_refused)
        return m_refused;
    if (m_xml.hasError())
        return unreadable(QStringLiteral("sa partie « %1 » n'est pas du XML valable (ligne %2, colonne %3)")
                              .arg(m_part)
                              .arg(m_xml.lineNumber())
                              .arg(m_xml.columnNumber()));
    return std::nullopt;
}
