#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian, unpacks it into a scratch root (never into the
# machine's own package database), starts the program from there headless for a user whose folders are
# empty, and checks that it made his settings and cellar in his own folders and wrote nothing in the
# program folder, even when it could (run as root).
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
chmod 755 "$work"
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
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
if command -v lintian >/dev/null; then
    report=$(lintian --allow-root --tag-display-limit 0 "$deb" 2>&1 || true)
    echo "$report"
    ! echo "$report" | grep -q '^E:' || fail "lintian signale des erreurs"
fi

root="$work/root"
dpkg-deb -x "$deb" "$root"
for f in usr/lib/brovane/brovane usr/lib/brovane/brovane-lecteur-jet usr/lib/brovane/Orny02.dat \
         usr/lib/brovane/Orny01.dat usr/lib/brovane/Orny.hlp usr/lib/brovane/brovane-installe usr/bin/brovane \
         usr/share/applications/brovane.desktop usr/share/icons/hicolor/scalable/apps/brovane.svg \
         usr/share/metainfo/org.example.brovane.metainfo.xml usr/share/doc/brovane/copyright \
         usr/share/man/man1/brovane.1.gz; do
    [ -e "$root/$f" ] || fail "$f manque"
done
appstreamcli validate --no-net "$root/usr/share/metainfo/org.example.brovane.metainfo.xml" >/dev/null ||
    fail "appstreamcli refuse les métadonnées"
before=$(cd "$root/usr/lib/brovane" && ls -A | sort | tr '\n' ' ')
delivered=$(md5sum <"$root/usr/lib/brovane/Orny02.dat")

# A user whose configuration and data folders are empty.
home="$work/home"
mkdir -p "$home/run"
chmod 700 "$home/run"
env -i HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
    XDG_RUNTIME_DIR="$home/run" QT_QPA_PLATFORM=offscreen PATH=/usr/bin:/bin \
    "$root/usr/bin/brovane" &
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
after=$(cd "$root/usr/lib/brovane" && ls -A | sort | tr '\n' ' ')
[ "$before" = "$after" ] || fail "le programme a écrit dans son propre dossier : $after"
[ "$(md5sum <"$root/usr/lib/brovane/Orny02.dat")" = "$delivered" ] || fail "la cave livrée a été modifiée"
echo "1 passed, 0 failed"
