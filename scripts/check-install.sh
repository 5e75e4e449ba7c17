#!/usr/bin/env bash
# Installs a built tree into a staging folder (DESTDIR) and checks the staged
# files: the layout, the desktop entry and metainfo validators (when
# installed), and the staged programs themselves.
#   scripts/check-install.sh [BUILD_DIR, default build]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
stage="$build/stage"
prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
rm -rf "$stage"
DESTDIR="$stage" cmake --install "$build" >/dev/null
root="$stage$prefix"

failed=0
expect() { [ -e "$root/$1" ] || { echo "missing: $prefix/$1"; failed=1; }; }
for f in bin/kurvex bin/kurvex-cli \
         share/kurvex/help/toc.txt share/kurvex/help/index.html share/kurvex/samples/enzyme_kinetics.csv \
         share/kurvex/cli-schema.json \
         share/applications/org.kurvex.Kurvex.desktop share/metainfo/org.kurvex.Kurvex.metainfo.xml \
         share/icons/hicolor/scalable/apps/kurvex.svg share/icons/hicolor/48x48/apps/kurvex.png \
         share/icons/hicolor/256x256/apps/kurvex.png \
         share/man/man1/kurvex.1.gz share/man/man1/kurvex-cli.1.gz share/doc/kurvex/copyright; do
  expect "$f"
done

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/share/applications/org.kurvex.Kurvex.desktop" || failed=1
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net --pedantic "$root/share/metainfo/org.kurvex.Kurvex.metainfo.xml" >/dev/null \
    || { appstreamcli validate --no-net "$root/share/metainfo/org.kurvex.Kurvex.metainfo.xml"; failed=1; }
fi
# A PNG of the size its folder names.
size=$(od -An -tu1 -j16 -N8 "$root/share/icons/hicolor/48x48/apps/kurvex.png" | awk '{print $3*256+$4 "x" $7*256+$8}')
[ "$size" = "48x48" ] || { echo "48x48 icon is $size"; failed=1; }

# The staged programs run from the staged files: the CLI fits a staged sample
# read from standard input, the window program tells its version.
"$root/bin/kurvex-cli" --version | grep -qx "kurvex-cli [0-9.]*" || { echo "kurvex-cli --version"; failed=1; }
"$root/bin/kurvex-cli" fit - --model 3 <"$root/share/kurvex/samples/enzyme_kinetics.csv" | grep -q '"end": "converged"' \
  || { echo "staged kurvex-cli fit"; failed=1; }
gui_version=$(QT_QPA_PLATFORM=offscreen "$root/bin/kurvex" --version)
cli_version=$("$root/bin/kurvex-cli" --version)
[ "${gui_version#Kurvex }" = "${cli_version#kurvex-cli }" ] || { echo "versions: $gui_version / $cli_version"; failed=1; }

[ "$failed" -eq 0 ] && echo "staged install in $stage: layout, validators and programs OK"
exit "$failed"
