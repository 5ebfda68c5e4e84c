#!/usr/bin/env bash
# Builds the Debian package twice (the same bytes each time), checks it as a Debian maintainer would
# (lintian, copyright, dependencies, stripped binaries, desktop entry, AppStream, manual pages, icons),
# unpacks it into a scratch root (never into the machine's own package database), starts the program from
# there headless for a new user of an account of its own, and checks that it made his settings, cellar and
# lock in his folders and wrote nothing in the program folder, even when it could (run as root), nor in
# the home of the account running the test.
# Arguments: the build folder.
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
chmod 755 "$work"
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "ÉCHEC : $*" >&2; exit 1; }
# No pipe into grep -q here: grep may close it before the writer is done, which pipefail takes for a failure.

# Twice, from two folders and under two masks: the same bytes.
(cd "$work" && umask 022 && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >/dev/null)
(cd "$work" && umask 077 && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg2" >/dev/null)
deb=$(ls "$work"/pkg/brovane_*.deb)
cmp -s "$deb" "$work/pkg2/$(basename "$deb")" || fail "deux constructions du paquet donnent deux fichiers différents"
echo "paquet : $(basename "$deb"), $(stat -c %s "$deb") octets, reproductible"

if command -v lintian >/dev/null; then
    lintian --allow-root --fail-on error,warning --tag-display-limit 0 "$deb" || fail "lintian signale des erreurs ou des avertissements"
fi

root="$work/root"
dpkg-deb -x "$deb" "$root"
program=usr/lib/brovane
for f in $program/brovane $program/brovane-lecteur-jet $program/brovane-fenetres.so $program/Orny02.dat $program/Orny01.dat $program/Orny.hlp \
         $program/brovane-installe usr/bin/brovane usr/share/applications/brovane.desktop \
         usr/share/icons/hicolor/scalable/apps/brovane.svg usr/share/metainfo/org.example.brovane.metainfo.xml \
         usr/share/doc/brovane/copyright usr/share/man/man1/brovane.1.gz usr/share/man/fr/man1/brovane.1.gz; do
    [ -e "$root/$f" ] || fail "$f manque"
done
for size in 48 128 256; do
    icon="$root/usr/share/icons/hicolor/${size}x$size/apps/brovane.png"
    grep -q "PNG image data, $size x $size" <<<"$(file "$icon")" || fail "l'icône de $size pixels manque ou n'a pas cette taille"
done

# Dependencies: what dpkg-shlibdeps finds in the binaries, and the two libraries loaded at run time.
depends=$(dpkg-deb -f "$deb" Depends)
echo "dépendances : $depends"
mkdir -p "$work/shlibs/debian"
printf 'Source: brovane\n\nPackage: brovane\nArchitecture: any\n' >"$work/shlibs/debian/control"
needed=$(cd "$work/shlibs" && dpkg-shlibdeps -O "$root/$program/brovane" "$root/$program/brovane-lecteur-jet" \
    "$root/$program/brovane-fenetres.so" 2>/dev/null |
    sed 's/^shlibs:Depends=//')
names() { tr ',' '\n' | sed 's/^ *//; s/[ (].*//' | grep -v '^$' | sort -u; }
expected=$( (echo "$needed"; echo "libqt6svg6, qt6-translations-l10n") | names)
[ "$(echo "$depends" | names)" = "$expected" ] ||
    fail "les dépendances ne sont pas exactement celles des binaires : $(echo "$depends" | names | tr '\n' ' ') au lieu de $(echo "$expected" | tr '\n' ' ')"

# Stripped as dh_strip strips.
for binary in $program/brovane $program/brovane-lecteur-jet $program/brovane-fenetres.so; do
    sections=$(readelf -S -W "$root/$binary")
    ! grep -qE ' \.(comment|note|symtab) ' <<<"$sections" || fail "$binary garde .comment, .note ou ses symboles"
done

# Every library linked statically has its notice in the copyright file, which a DEP-5 parser reads.
/usr/bin/python3 - "$root/usr/share/doc/brovane/copyright" <<'EOF' >"$work/notices" || fail "le fichier copyright n'est pas au format DEP-5"
import sys
from debian import copyright
parsed = copyright.Copyright(open(sys.argv[1], encoding="utf-8"), strict=True)
for paragraph in parsed.all_files_paragraphs():
    print(paragraph.license.synopsis, paragraph.comment or "")
EOF
for link in "$build"/src/app/CMakeFiles/brovane.dir/link.txt "$build"/src/app/CMakeFiles/brovane_fenetres.dir/link.txt \
    "$build"/src/legacy/CMakeFiles/brovane-lecteur-jet.dir/link.txt; do
    for archive in $(grep -oE '(^| )/[^ ]+\.a( |$)' "$link" | sort -u); do
        # The program's own libraries, which it holds whole for its module, are no one else's.
        [[ "$archive" == "$build"/* ]] && continue
        package=$(dpkg -S "$archive" | cut -d: -f1)
        grep -q "Debian package $package" "$work/notices" || fail "$archive ($package), lié statiquement, n'a pas sa notice dans copyright"
        echo "notice présente : $package"
    done
done

# The desktop entry. desktop-file-validate before 0.27 does not know SingleMainWindow (format 1.5).
entry="$root/usr/share/applications/brovane.desktop"
for key in 'Keywords\[fr\]=' 'StartupNotify=true' 'SingleMainWindow=true'; do
    grep -q "^$key" "$entry" || fail "l'entrée de bureau n'a pas $key"
done
validator=$(desktop-file-validate --version 2>/dev/null | grep -oE '[0-9]+\.[0-9]+' | head -1 || echo 0.26)
if [ "$(printf '%s\n0.27\n' "$validator" | sort -V | head -1)" != 0.27 ]; then
    grep -v '^SingleMainWindow=' "$entry" >"$work/brovane.desktop"
    entry="$work/brovane.desktop"
fi
desktop-file-validate "$entry" || fail "desktop-file-validate refuse l'entrée de bureau"

metainfo="$root/usr/share/metainfo/org.example.brovane.metainfo.xml"
appstreamcli validate --no-net "$metainfo" >/dev/null || fail "appstreamcli refuse les métadonnées"
grep -q '<binary>brovane</binary>' "$metainfo" || fail "les métadonnées ne disent pas quel programme le paquet fournit"
# Each picture is one the test suite takes of the window of that name.
for shot in $(grep -oE '/captures/[A-Za-z]+\.png' "$metainfo" | sed 's|/captures/||; s|\.png||'); do
    grep -q "check(window, \"$shot\")" "$source/tests/ui/tst_fit.cpp" ||
        fail "la capture $shot n'est pas prise par les tests"
done

# Both manual pages name every file the program reads or writes.
for page in usr/share/man/man1/brovane.1.gz usr/share/man/fr/man1/brovane.1.gz; do
    text=$(zcat "$root/$page" | sed 's/\\-/-/g')
    for name in Orny.ini Orny.ini.illisible Orny.ini.deplacement Orny.ini.reprise Affichage.ini Orny02.dat -journal \
                -wal -shm .copie .ecriture .restauration .conversion .essai Sauvegardes/ Orny02-sauvegardes.txt \
                jour sortie avant-restauration \
                Orny02-ancien-format.dat brovane.lock /tmp/brovane-UID /run/user/UID Orny01.dat Orny.hlp \
                brovane-lecteur-jet brovane-installe Vin.mdb 'Inventaire de ma orny.txt' CSV PNG 'Cave ' --help --version; do
        grep -qF -- "$name" <<<"$text" || fail "$page ne mentionne pas $name"
    done
    LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$root/$page" 2>"$work/man-warnings" >/dev/null
    [ ! -s "$work/man-warnings" ] || fail "$page : $(cat "$work/man-warnings")"
done

# Arguments are answered without any display.
out=$(env -i PATH=/usr/bin:/bin "$root/usr/bin/brovane" --version) || fail "brovane --version a échoué"
[ "${out%%$'\n'*}" = "Brovane 1.3" ] || fail "brovane --version affiche « $out »"
grep -q '^Utilisation : brovane' <<<"$(env -i PATH=/usr/bin:/bin "$root/usr/bin/brovane" --help)" || fail "brovane --help"
status=0
err=$(env -i PATH=/usr/bin:/bin "$root/usr/bin/brovane" --inconnu 2>&1 >/dev/null) || status=$?
[ "$status" = 2 ] && [[ "$err" == *"argument non reconnu"* ]] || fail "un argument inconnu donne l'état $status et « $err »"

before=$(cd "$root/$program" && ls -A | sort | tr '\n' ' ')
delivered=$(md5sum <"$root/$program/Orny02.dat")

# A user whose configuration and data folders are empty, with an account of his own: the system itself
# (through nss_wrapper) gives his home, so that the lock is his and not that of the account running the
# tests, where a Brovane may well be open.
home="$work/home"
mkdir -p "$home/run"
chmod 700 "$home/run"
real_home=$(getent passwd "$(id -u)" | cut -d: -f6)
real_state=$(ls -la --time-style=full-iso "$real_home/.local/state/brovane" 2>/dev/null || true)
printf '%s:x:%s:%s:Essai:%s:/bin/sh\n' "$(id -un)" "$(id -u)" "$(id -g)" "$home" >"$work/passwd"
printf '%s:x:%s:\n' "$(id -gn)" "$(id -g)" >"$work/group"
wrapper=$(dpkg -L libnss-wrapper | grep '/libnss_wrapper\.so$' | head -1)
env -i HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
    XDG_RUNTIME_DIR="$home/run" QT_QPA_PLATFORM=offscreen PATH=/usr/bin:/bin \
    LD_PRELOAD="$wrapper" NSS_WRAPPER_PASSWD="$work/passwd" NSS_WRAPPER_GROUP="$work/group" \
    "$root/usr/bin/brovane" &
pid=$!
ini="$home/.config/brovane/Orny.ini"
cellar="$home/.local/share/brovane/Orny02.dat"
for _ in $(seq 1 100); do
    [ -s "$ini" ] && [ -s "$cellar" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
done
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
pid=""
[ -s "$ini" ] || fail "le fichier de paramètres n'a pas été créé dans le dossier de configuration"
[ "$(cat "$ini")" = "$home/.local/share/brovane/" ] || fail "Orny.ini contient « $(cat "$ini") »"
[ -s "$cellar" ] || fail "la cave livrée n'a pas été copiée dans le dossier de données"
cmp -s "$cellar" "$root/$program/Orny02.dat" || fail "la cave copiée diffère de la cave livrée"
[ -f "$home/.local/state/brovane/brovane.lock" ] || fail "le verrou n'est pas dans le dossier de l'utilisateur"
[ "$(ls -la --time-style=full-iso "$real_home/.local/state/brovane" 2>/dev/null || true)" = "$real_state" ] ||
    fail "le test a écrit dans le dossier personnel du compte qui le lance"
after=$(cd "$root/$program" && ls -A | sort | tr '\n' ' ')
[ "$before" = "$after" ] || fail "le programme a écrit dans son propre dossier : $after"
[ "$(md5sum <"$root/$program/Orny02.dat")" = "$delivered" ] || fail "la cave livrée a été modifiée"
echo "1 passed, 0 failed"
