#!/usr/bin/env bash
# Builds the Debian package, checks its desktop entry and metainfo with the lint
# tools, installs it with apt-get, uses it as a non-root user with a fresh home
# (the register must appear in ~/.local/share/ambitra), starts the window under
# a virtual screen and looks for it, then removes the package again:
#   scripts/package-check.sh [BUILD_DIR]
# Needs root or sudo (apt-get, a throw-away user when run as root).
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-${BUILD_DIR:-build}}")
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

cmake --build "$build" --target package
deb=$(ls "$build"/ambitra_*.deb)
echo "package: $deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'

work=$(mktemp -d)
chmod 0755 "$work"
dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/"*.desktop
appstreamcli validate --no-net "$work/root/usr/share/metainfo/"*.metainfo.xml
for page in ambitra ambitra-cli ambitra-handheld; do
    test -s "$work/root/usr/share/man/man1/$page.1.gz"
done
for file in usr/bin/ambitra usr/bin/ambitra-cli usr/bin/ambitra-handheld \
    usr/lib/ambitra/RDKINST usr/lib/ambitra/system/SFrmCn52.dll \
    usr/share/doc/ambitra/copyright usr/share/doc/ambitra/README.md \
    usr/share/icons/hicolor/scalable/apps/org.ambitra.Ambitra.svg \
    usr/share/icons/hicolor/48x48/apps/org.ambitra.Ambitra.png \
    usr/share/icons/hicolor/256x256/apps/org.ambitra.Ambitra.png; do
    test -e "$work/root/$file" || { echo "missing in the package: /$file"; exit 1; }
done

export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get install -y -qq "$deb" >/dev/null
cleanup() {
    $SUDO apt-get remove -y -qq ambitra >/dev/null || true
    if [ -n "${user_made:-}" ]; then userdel -r "$user" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

# A user of the machine, never root: the program folder /usr/bin is not theirs.
home="$work/home"
if [ "$(id -u)" -eq 0 ]; then
    user=ambitra-check
    if ! id "$user" >/dev/null 2>&1; then useradd -M -d "$home" "$user"; user_made=1; fi
    mkdir -p "$home"; chown "$user" "$home"
    as_user() { runuser -u "$user" -- env -i PATH=/usr/bin:/bin HOME="$home" "$@"; }
else
    mkdir -p "$home"
    as_user() { env -i PATH=/usr/bin:/bin HOME="$home" "$@"; }
fi

test "$(as_user ambitra-cli --version)" = "ambitra-cli 1.0.0.0"
as_user ambitra-cli settings
test -f "$home/.local/share/ambitra/Ambitra.db"
test "$(stat -c %a "$home/.local/share/ambitra")" = 700
echo "register: $home/.local/share/ambitra"

# The window, for a second and a half, under a virtual screen.
as_user xvfb-run -a -s "-screen 0 1280x800x24" sh -c '
    ambitra & pid=$!
    sleep 1.5
    xwininfo -root -tree | grep "\"Ambitra PC\"" || { echo "no window"; kill $pid; exit 1; }
    kill $pid'
echo "package check passed"
