#!/usr/bin/env bash
# Installs the Debian package into a fresh Debian 12 chroot with apt (as a user
# would: apt-get install ./valmorix_VERSION_amd64.deb), then starts the program
# the way the desktop menu does (the Exec line of the installed menu entry, from
# the home directory of a new user) under Xvfb with openbox, answers the first
# start's questions (the suggested ~/valmorix, lay it out, with demo data), and
# starts it from the menu a second time, which goes straight to the login
# window, and opens its help. Screenshots of each step go to OUT_DIR.
#
# usage (as root): tools/check-package-chroot.sh CHROOT_DIR DEB_FILE OUT_DIR [DISPLAY_NUMBER]
# CHROOT_DIR is made with debootstrap (minbase) when it holds no system yet;
# keep it outside the repository. Needs debootstrap on the machine.
# VMX_APT_OPTS=--no-install-recommends checks that the declared dependencies
# alone are enough.
set -euo pipefail
root=$1 deb=$2 out=$3 display=${4:-45}
mkdir -p "$out"
out=$(cd "$out" && pwd)
# The Debian mirror this machine's apt uses.
mirror=$(sed -n 's/^URIs: *\(.*debian\)$/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1)
mirror=${mirror:-http://deb.debian.org/debian}
if [ ! -f "$root/etc/debian_version" ]; then
  debootstrap --variant=minbase bookworm "$root" "$mirror"
fi
cat >"$root/etc/apt/sources.list" <<SOURCES
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb ${mirror%/debian}/debian-security bookworm-security main
SOURCES
for m in proc dev dev/pts; do mountpoint -q "$root/$m" || case $m in
  proc) mount -t proc proc "$root/proc" ;;
  *) mount --bind "/$m" "$root/$m" ;;
esac; done
trap 'umount "$root/dev/pts" "$root/dev" "$root/proc" 2>/dev/null || true' EXIT
in_root() { chroot "$root" env DEBIAN_FRONTEND=noninteractive LANG=C.UTF-8 "$@"; }

in_root apt-get update -q
in_root apt-get purge -y -q valmorix >/dev/null 2>&1 || true
cp "$deb" "$root/tmp/"
# shellcheck disable=SC2086
in_root apt-get install -y -q ${VMX_APT_OPTS:-} "/tmp/$(basename "$deb")"
in_root sh -c 'ldd /usr/bin/valmorix /usr/bin/valmorix-cli | grep "not found" && exit 1 || true'
# Tools of this check only, installed after the package so they bring nothing it needs.
in_root apt-get install -y -q --no-install-recommends xvfb openbox xdotool imagemagick xauth
id_ok=$(in_root sh -c 'id -u tester 2>/dev/null || true')
[ -n "$id_ok" ] || in_root useradd -m -s /bin/bash tester
in_root rm -rf /home/tester/valmorix /home/tester/.config/Valmorix

cat >"$root/tmp/menu-start.sh" <<SCRIPT
#!/bin/sh
# As user tester: start from the menu entry, answer the first start, start again.
export DISPLAY=:$display HOME=/home/tester LANG=C.UTF-8
cd "\$HOME"
Xvfb :$display -screen 0 1280x800x24 >"\$HOME/xvfb.log" 2>&1 & xvfb=\$!
sleep 2
openbox >"\$HOME/openbox.log" 2>&1 & wm=\$!
sleep 1
shot() { sleep 2; import -window root "/tmp/shots/\$1.png"; }
menu_start() {
  exec_line=\$(sed -n 's/^Exec=//p' /usr/share/applications/valmorix.desktop | head -1)
  sh -c "exec \$exec_line" >>"\$HOME/valmorix.log" 2>&1 & app=\$!
}
mkdir -p /tmp/shots
menu_start
shot 1-choose-directory
xdotool key Return;     shot 2-lay-out-question
xdotool key alt+y;      shot 3-demo-question
xdotool key alt+y;      shot 4-laid-out
xdotool key Return;     shot 5-login
kill \$app; wait \$app 2>/dev/null
menu_start
shot 6-second-start-login
# 帮助 of the login window (centred on the screen): the help file copied into the installation.
xdotool mousemove 743 451 click 1; shot 7-help-login
kill \$app \$wm \$xvfb
cat ~/.config/Valmorix/valmorix.conf
SCRIPT
chmod +x "$root/tmp/menu-start.sh"
in_root rm -rf /tmp/shots "/tmp/.X$display-lock" /home/tester/*.log
in_root su tester -c /tmp/menu-start.sh
cp "$root"/tmp/shots/*.png "$out/"
in_root sh -c 'test -f /home/tester/valmorix/z.db' && echo "check-package-chroot: installation laid out in ~/valmorix"
ls "$out"
