// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ModuleLoader.h"

#include "BuildInfo.h"
#include "ui/BusyCursor.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QLibrary>
#include <algorithm>
#include <cstring>
#include <elf.h>
#include <link.h>

namespace ModuleLoader {

QString fileIn(const QString& programFolder) {
    return programFolder + QLatin1String(FileName);
}

namespace {

// A module cut short (a full disk, a copy interrupted) would be mapped past its end, and the first touch of
// a missing page kills the program with SIGBUS: every part the system or the loader reads must lie within
// the file. The words say why the module cannot be loaded, empty when it can be tried.
QString damage(const QString& file) {
    QFile module(file);
    if (!module.open(QIODevice::ReadOnly))
        return module.errorString();
    const auto size = static_cast<quint64>(module.size());
    ElfW(Ehdr) header{};
    if (module.read(reinterpret_cast<char*>(&header), sizeof header) != sizeof header ||
        std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0)
        return QStringLiteral("ce fichier n'est pas un module (%1 octets)").arg(size);
    constexpr unsigned char HostClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
    constexpr unsigned char HostOrder = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? ELFDATA2LSB : ELFDATA2MSB;
    if (header.e_ident[EI_CLASS] != HostClass || header.e_ident[EI_DATA] != HostOrder ||
        header.e_phentsize != sizeof(ElfW(Phdr)) ||
        (header.e_shnum && header.e_shentsize != sizeof(ElfW(Shdr))))
        return QStringLiteral("ce module n'est pas fait pour cet ordinateur");
    quint64 needed = sizeof header;
    const auto reach = [&needed](quint64 offset, quint64 length) {
        needed = std::max(needed, offset + length < offset ? ~quint64(0) : offset + length);
    };
    // Read only when the whole table lies within the file: at most 65,535 entries each way.
    const auto table = [&](quint64 offset, quint64 count, quint64 entry) {
        reach(offset, count * entry);
        QByteArray bytes;
        if (needed <= size && module.seek(static_cast<qint64>(offset)))
            bytes = module.read(static_cast<qint64>(count * entry));
        return static_cast<quint64>(bytes.size()) == count * entry ? bytes : QByteArray();
    };
    const QByteArray segments = table(header.e_phoff, header.e_phnum, sizeof(ElfW(Phdr)));
    for (int n = 0; n * sizeof(ElfW(Phdr)) < static_cast<size_t>(segments.size()); ++n) {
        ElfW(Phdr) segment{};
        std::memcpy(&segment, segments.constData() + n * sizeof segment, sizeof segment);
        reach(segment.p_offset, segment.p_filesz);
    }
    const QByteArray sections = table(header.e_shoff, header.e_shnum, sizeof(ElfW(Shdr)));
    for (int n = 0; n * sizeof(ElfW(Shdr)) < static_cast<size_t>(sections.size()); ++n) {
        ElfW(Shdr) section{};
        std::memcpy(&section, sections.constData() + n * sizeof section, sizeof section);
        if (section.sh_type != SHT_NOBITS)
            reach(section.sh_offset, section.sh_size);
    }
    if (needed > size)
        return QStringLiteral("le module est tronqué : %1 octets, il en faudrait au moins %2")
            .arg(size)
            .arg(needed);
    return {};
}

} // namespace

QString load(const QString& file, const ModuleWindows** loaded) {
    *loaded = nullptr;
    if (QString why = damage(file); !why.isEmpty())
        return why;
    // Loaded once and kept for the program's life: its windows' code must outlive every call into it.
    QLibrary library(file);
    library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!library.load())
        return library.errorString();
    using Entry = const ModuleWindows* (*)();
    const auto entry = reinterpret_cast<Entry>(library.resolve(BROVANE_MODULE_ENTRY));
    const ModuleWindows* table = entry ? entry() : nullptr;
    if (!table || qstrcmp(table->build, BuildInfo::Release) != 0)
        return QStringLiteral("ce module vient d'une autre version de Brovane");
    *loaded = table;
    return {};
}

const ModuleWindows* windows(Globals& globals, Services& services, QWidget* parent) {
    const QString file = fileIn(globals.CheminAppli);
    static QHash<QString, const ModuleWindows*> loadedFrom;
    const ModuleWindows*& loaded = loadedFrom[file];
    if (loaded)
        return loaded;
    QString problem;
    {
        const BusyCursor busy;
        problem = load(file, &loaded);
    }
    if (!problem.isEmpty())
        services.messages.show(
            parent, QString::fromUtf8(BuildInfo::ProductName),
            QStringLiteral("Cette fenêtre ne peut s'ouvrir : le module « %1 » est introuvable "
                           "ou abîmé. Réinstallez Brovane.")
                .arg(QDir::toNativeSeparators(file)),
            MessageBox::Icon::Critical, MessageBox::Buttons::Ok, problem);
    return loaded;
}

} // namespace ModuleLoader
