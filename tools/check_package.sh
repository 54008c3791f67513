#!/usr/bin/env bash
# Builds the Debian package from a configured and built build folder and checks it: the files a
# desktop installation needs are in it, the desktop entry and the AppStream data validate, and the
# runtime dependencies are declared. Usage: tools/check_package.sh [BUILD_DIR]
set -euo pipefail
build="$(cd "${1:-build}" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

rm -f "$build"/kazaguruma_*.deb
(cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; exit 1; }
deb="$(ls "$build"/kazaguruma_*.deb)"
echo "built $(basename "$deb")"
fail() { echo "package: $*" >&2; exit 1; }

dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's#^\./#/#' >"$work/files"
for f in /usr/bin/kazaguruma /usr/bin/kazaguruma-engine \
    /usr/share/kazaguruma/wallpaper.jpg /usr/share/kazaguruma/koma/hu1.gif \
    /usr/share/kazaguruma/koma/hu1@2x.gif /usr/share/kazaguruma/koma/ryu2@3x.gif \
    /usr/share/applications/kazaguruma.desktop \
    /usr/share/metainfo/io.github.kazaguruma.Kazaguruma.metainfo.xml \
    /usr/share/man/man6/kazaguruma-engine.6.gz; do
    grep -qxF "$f" "$work/files" || fail "$f missing"
done
for size in 16 24 32 48 64 128 256; do
    f=/usr/share/icons/hicolor/${size}x${size}/apps/kazaguruma.png
    grep -qxF "$f" "$work/files" || fail "$f missing"
done
[ "$(grep -c '^/usr/share/kazaguruma/koma/.*\.gif$' "$work/files")" = 84 ] ||
    fail "not 28 pieces at three sizes"
# Nothing outside /usr: removing the package then leaves nothing behind.
grep -v '^/usr/\|^/$' "$work/files" && fail "files outside /usr"

depends="$(dpkg-deb -f "$deb" Depends)"
for d in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins; do
    [[ ", $depends," == *", $d "* || ", $depends," == *", $d,"* ]] || fail "no dependency on $d"
done

dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/kazaguruma.desktop"
appstreamcli validate --no-net --pedantic \
    "$work/root/usr/share/metainfo/io.github.kazaguruma.Kazaguruma.metainfo.xml" >"$work/as.log" ||
    { cat "$work/as.log" >&2; exit 1; }
echo "package contents, dependencies, desktop entry and AppStream data: ok"
echo "Depends: $depends"
