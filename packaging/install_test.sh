#!/usr/bin/env bash
# Installs the build into a scratch prefix and runs the programs from there,
# away from the build tree: they must find their data in share/tanvex.
#   install_test.sh BUILD_DIR CMAKE
set -euo pipefail
build=$1
cmake=$2
prefix=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$prefix" "$work"' EXIT
fail() { echo "install_test: $*" >&2; exit 1; }

"$cmake" --install "$build" --prefix "$prefix" > /dev/null

for f in bin/tanvex bin/VORLINKS bin/tanvexw bin/KORVADEX bin/Tovik \
         share/tanvex/HLW_NDX.DAT share/tanvex/tanvexw.hlw share/tanvex/_LIB/LIB_REF.DAT \
         share/tanvex/examples/lowpass.spk \
         share/applications/tanvexw.desktop share/applications/KORVADEX.desktop \
         share/applications/Tovik.desktop share/icons/hicolor/scalable/apps/tanvexw.svg \
         share/man/man1/tanvex.1 share/man/man1/VORLINKS.1; do
  [ -e "$prefix/$f" ] || fail "missing $f"
done
grep -q 'analyse' "$prefix/share/man/man1/tanvex.1" || fail "tanvex.1 lacks the commands"
for d in "$prefix"/share/applications/*.desktop; do
  exe=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$d")
  [ -x "$prefix/bin/$exe" ] || fail "$d starts $exe, which is not installed"
done

cd "$work"
cp "$prefix/share/tanvex/examples/lowpass."* .
unset TANVEX_HOME
"$prefix/bin/tanvex" analyse lowpass --points 5 --csv > out.csv || fail "tanvex analyse failed"
[ "$(wc -l < out.csv)" -eq 6 ] || fail "tanvex analyse printed $(wc -l < out.csv) lines"
"$prefix/bin/tanvex" calc lowpass > report.txt || fail "tanvex calc failed"
printf 'F\n\n' | "$prefix/bin/VORLINKS" lowpass > /dev/null || fail "VORLINKS failed"
[ -s lowpass.cir ] || fail "VORLINKS wrote no deck"

# The windowed program names the data directory it found, and stays up on a
# design until it is stopped.
version=$(QT_QPA_PLATFORM=offscreen "$prefix/bin/tanvexw" --version)
data=$(cd "$prefix/share/tanvex" && pwd -P)
case "$version" in
  *"data: $data"*) ;;
  *) fail "tanvexw --version says '$version', expected data in $data" ;;
esac
status=0
QT_QPA_PLATFORM=offscreen timeout 3 "$prefix/bin/tanvexw" lowpass || status=$?
[ "$status" -eq 124 ] || fail "tanvexw ended with status $status instead of running"
echo "install_test: installed layout works from $prefix"
