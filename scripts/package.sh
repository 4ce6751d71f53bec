#!/usr/bin/env bash
# Builds the Debian package and checks what it holds: scripts/package.sh [BUILD_DIR]
# BUILD_DIR (default build-package) gets a Release build of the two programs unless it is
# configured already. The package is left in the repository's top folder, ready for
# `sudo apt install ./quorelbox_*.deb`. It fails when a file is missing, the udev rule does
# not grant the seat's user the box (or grants everyone), the dependencies miss a library
# the programs run on, a validator or lintian finds an error, or the unpacked program
# cannot start and draw its window.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-package}
app=org.quorelbox.Quorelbox

fail() { echo "package: $*" >&2; exit 1; }

scripts/install-deps.sh package
if [ -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" >/dev/null
else
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORELBOX_BUILD_TESTS=OFF \
    -DQUORELBOX_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$dir" --parallel "$(nproc)" --target quorelbox quorelbox-cli
rm -f "$dir"/quorelbox_*.deb quorelbox_*.deb
(cd "$dir" && cpack -G DEB)
debs=("$dir"/quorelbox_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single quorelbox_*.deb"
cp "${debs[0]}" .
deb=./$(basename "${debs[0]}")

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root/pkg"
pkg=$root/pkg

for f in usr/bin/quorelbox usr/bin/quorelbox-cli usr/share/applications/$app.desktop \
         usr/share/icons/hicolor/scalable/apps/$app.svg usr/share/metainfo/$app.metainfo.xml \
         usr/share/man/man1/quorelbox.1.gz usr/share/man/man1/quorelbox-cli.1.gz \
         usr/share/doc/quorelbox/copyright usr/share/doc/quorelbox/changelog.gz \
         "usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/wireshark/plugins/quorelbox.lua"; do
  [ -f "$pkg/$f" ] || fail "missing /$f"
done

# The rule sits in udev's own folder (/lib/udev on Debian 12 when udev's pkg-config file is
# there, /usr/lib/udev otherwise) and is numbered before 73-seat-late.rules, which acts on
# the uaccess tag.
rules=("$pkg"/lib/udev/rules.d/70-quorelbox.rules "$pkg"/usr/lib/udev/rules.d/70-quorelbox.rules)
rule=
for r in "${rules[@]}"; do [ -f "$r" ] && rule=$r; done
[ -n "$rule" ] || fail "missing the udev rule 70-quorelbox.rules"
active=$(grep -vE '^[[:space:]]*(#|$)' "$rule" || true)
[ "$(wc -l <<<"$active")" -eq 1 ] || fail "the udev rule should be one line: $active"
for match in 'SUBSYSTEM=="hidraw"' 'ATTRS{idVendor}=="0483"' 'ATTRS{idProduct}=="5750"' \
             'TAG+="uaccess"'; do
  grep -qF "$match" <<<"$active" || fail "the udev rule lacks $match"
done
if grep -qE 'MODE[[:space:]]*:?=[[:space:]]*"0*[0-7]?[0-7]?[0-7][2367]"' <<<"$active"; then
  fail "the udev rule makes the node world-writable"
fi

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6 libhidapi-hidraw0 libcjson1 \
           qt6-qpa-plugins; do
  grep -qE "(^|, )$lib(t64)?( |,|$)" <<<"$depends" || fail "Depends does not name $lib"
done

desktop-file-validate "$pkg/usr/share/applications/$app.desktop"
appstreamcli validate --no-net "$pkg/usr/share/metainfo/$app.metainfo.xml"

# The skin is compiled in: the unpacked program must find everything it needs without
# the source tree. Its settings and lock go to the temporary folder, not the user's.
mkdir -m 700 "$root/home" "$root/run"
if ! (cd "$root/home" &&
  XDG_CONFIG_HOME=$root/home XDG_RUNTIME_DIR=$root/run QT_QPA_PLATFORM=offscreen \
  "$pkg/usr/bin/quorelbox" --simulate --screenshot "$root/main.png" >"$root/run.log" 2>&1) ||
  [ ! -s "$root/main.png" ]; then
  cat "$root/run.log" >&2
  fail "the packaged program drew no window"
fi
(cd "$root/home" && "$pkg/usr/bin/quorelbox-cli" --simulate status >/dev/null) ||
  fail "the packaged quorelbox-cli cannot read the virtual box"

lintian --fail-on error "$deb"
echo "package: $deb passes its checks"
