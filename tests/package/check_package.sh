#!/usr/bin/env bash
# Builds the Debian package, installs it (on the machine when run as root, else into a scratch root),
# starts the installed program headless for a user whose folders are empty, checks the settings file
# and the cellar it made for him, then removes the package.
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
chmod 755 "$work"
installed=""
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    [ -n "$installed" ] && dpkg -r brovane >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "ÉCHEC : $*" >&2; exit 1; }

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >/dev/null)
deb=$(ls "$work"/pkg/brovane_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "paquet : $(basename "$deb"), $(stat -c %s "$deb") octets"
echo "dépendances : $depends"
for needed in libqt6widgets6 libqt6printsupport6 libsqlite3 libmdb3 libqt6svg6; do
    echo "$depends" | grep -q "$needed" || fail "le paquet ne dépend pas de $needed"
done

if [ "$(id -u)" = 0 ]; then
    dpkg -i "$deb" >/dev/null || fail "dpkg -i a échoué"
    installed=yes
    root=""
else
    root="$work/root"
    dpkg-deb -x "$deb" "$root"
    chmod -R a-w "$root/usr/lib/brovane"
fi
for f in usr/lib/brovane/brovane usr/lib/brovane/brovane-lecteur-jet usr/lib/brovane/Orny02.dat \
         usr/lib/brovane/Orny01.dat usr/lib/brovane/Orny.hlp usr/bin/brovane \
         usr/share/applications/brovane.desktop usr/share/icons/hicolor/scalable/apps/brovane.svg \
         usr/share/metainfo/org.example.brovane.metainfo.xml; do
    [ -e "$root/$f" ] || fail "$f manque"
done
appstreamcli validate --no-net "$root/usr/share/metainfo/org.example.brovane.metainfo.xml" >/dev/null ||
    fail "appstreamcli refuse les métadonnées"

# A user whose configuration and data folders are empty, who cannot write the program folder.
home="$work/home"
mkdir -p "$home/run"
chmod 700 "$home/run"
run=()
if [ "$(id -u)" = 0 ]; then
    chown -R 65534:65534 "$home"
    run=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    command=$(sed -n 's/^Exec=//p' /usr/share/applications/brovane.desktop)
else
    command="$root/usr/lib/brovane/brovane"
fi
env -i HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
    XDG_RUNTIME_DIR="$home/run" QT_QPA_PLATFORM=offscreen PATH=/usr/bin:/bin \
    "${run[@]}" $command &
pid=$!
ini="$home/.config/brovane/Orny.ini"
cellar="$home/.local/share/brovane/Orny02.dat"
for _ in $(seq 1 100); do
    [ -s "$ini" ] && [ -s "$cellar" ] && break
    sleep 0.2
done
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
pid=""
[ -s "$ini" ] || fail "le fichier de paramètres n'a pas été créé dans le dossier de configuration"
[ "$(cat "$ini")" = "$home/.local/share/brovane/" ] || fail "Orny.ini contient « $(cat "$ini") »"
[ -s "$cellar" ] || fail "la cave livrée n'a pas été copiée dans le dossier de données"
cmp -s "$cellar" "$root/usr/lib/brovane/Orny02.dat" || fail "la cave copiée diffère de la cave livrée"
[ ! -e "$root/usr/lib/brovane/Orny.ini" ] || fail "le programme a écrit dans son propre dossier"
echo "1 passed, 0 failed"
