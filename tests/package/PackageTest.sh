#!/usr/bin/env bash
# Builds the Debian package of a build tree and checks it as Debian checks its
# own: lintian with no error and no warning, every program with its manual
# page, the copyright file, the changelog, a desktop entry and AppStream
# metadata that validate, and dependencies on the runtime libraries.
#   PackageTest.sh BUILD OUT PROGRAM:SECTION...
set -u
build=$1 out=$2
shift 2
rm -rf "$out"
mkdir -p "$out"
cpack --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/*.deb | head -1)
[ -n "$deb" ] || { echo "FAIL: no package"; exit 1; }
fail=0
problem() { echo "FAIL: $*"; fail=1; }

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libsdl2 libmpg123 libglut libgl1 libglu1 libegl1 libkissfft libstdc++6 libc6; do
  grep -q "$lib" <<<"$depends" || problem "$lib not among the dependencies"
done

contents=$(dpkg-deb -c "$deb" | awk '{ print substr($6, 2) }')
expect() { grep -qxF "$1" <<<"$contents" || problem "no $1 in the package"; }
for entry in "$@"; do
  program=${entry%:*} section=${entry#*:}
  expect "/usr/bin/$program"
  expect "/usr/share/man/man$section/$program.$section.gz"
done
expect /usr/share/doc/halcyon/copyright
expect /usr/share/doc/halcyon/changelog.gz
expect /usr/share/applications/halcyon.desktop
expect /usr/share/halcyon-by-velmora/data/symbol35.obj

root="$out/root"
dpkg-deb -x "$deb" "$root"
metainfo=("$root"/usr/share/metainfo/*.metainfo.xml)
if [ -f "${metainfo[0]}" ]; then
  appstreamcli validate --no-net "${metainfo[0]}" || problem "AppStream metadata"
  grep -q '<screenshot' "${metainfo[0]}" || problem "no screenshot in the AppStream metadata"
else
  problem "no AppStream metadata in /usr/share/metainfo"
fi
desktop-file-validate "$root/usr/share/applications/halcyon.desktop" || problem "desktop entry"

# Tags are shown with their level; errors and warnings fail, overrides none.
lintian --fail-on error,warning --display-info "$deb" || problem "lintian"
[ $fail -eq 0 ] && echo PASS
exit $fail
