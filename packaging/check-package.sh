#!/usr/bin/env bash
# Builds the Debian package of a build folder and checks it as an operator's
# machine would see it: the control fields and the file list, Debian's own
# checker (lintian: no error, no warning), the desktop entry, AppStream
# metadata, icons, manual pages and udev rule, the programs run from a
# scratch root (dpkg-deb -x), a first start that makes its program folder in
# the home folder from the installed defaults, one in the folder the
# administrator names for every account, and, as root, an apt-get install
# and remove.
# The build folder's TARVO_QT (6 unless 5) says which package it makes:
# tarvo-com for Qt 6, tarvo-com-qt5 for Qt 5; both are checked the same way.
# Usage: packaging/check-package.sh BUILD_FOLDER
#        packaging/check-package.sh --udev-rules FILE...   (the rule check only)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

fail() {
  echo "check-package: $*" >&2
  exit 1
}

# check_udev_rules FILE: the syntax udev reads, strictly enough that a broken
# rule fails: every key known, with the operators it takes, its {attribute}
# where it needs one, a double-quoted value, MODE in octal, GOTO to a LABEL
# of the file. udevadm verify (systemd 254 and later) checks more; Debian 12's
# udev has no such command.
check_udev_rules() {
  awk '
    function bad(msg) { printf "%s:%d: %s\n", FILENAME, FNR, msg > "/dev/stderr"; errors++ }
    BEGIN {
      split("ACTION DEVPATH KERNEL KERNELS NAME SYMLINK SUBSYSTEM SUBSYSTEMS DRIVER DRIVERS " \
            "ATTR ATTRS SYSCTL ENV CONST TAG TAGS TEST PROGRAM RESULT", m, " ")
      for (i in m) matchKey[m[i]] = 1
      split("NAME SYMLINK OWNER GROUP MODE SECLABEL ATTR SYSCTL ENV TAG RUN LABEL GOTO " \
            "IMPORT OPTIONS", a, " ")
      for (i in a) assignKey[a[i]] = 1
      split("ATTR ATTRS SYSCTL ENV CONST SECLABEL", n, " ")
      for (i in n) needsAttr[n[i]] = 1
      split("IMPORT RUN TEST", o, " ")
      for (i in o) mayHaveAttr[o[i]] = 1
    }
    /^[ \t]*(#|$)/ { next }
    {
      rule = $0; assigns = 0; isLabel = 0
      while (rule != "") {
        sub(/^[ \t]*/, "", rule)
        if (!match(rule, /^[A-Z_]+/)) { bad("no key at \"" rule "\""); break }
        key = substr(rule, 1, RLENGTH); rule = substr(rule, RLENGTH + 1)
        attr = ""
        if (match(rule, /^\{[^{}"]+\}/)) { attr = substr(rule, 2, RLENGTH - 2); rule = substr(rule, RLENGTH + 1) }
        sub(/^[ \t]*/, "", rule)
        if (!match(rule, /^(==|!=|\+=|-=|:=|=)/)) { bad("no operator after " key); break }
        op = substr(rule, 1, RLENGTH); rule = substr(rule, RLENGTH + 1)
        sub(/^[ \t]*/, "", rule)
        if (!match(rule, /^"[^"]*"/)) { bad("value of " key " not in double quotes"); break }
        value = substr(rule, 2, RLENGTH - 2); rule = substr(rule, RLENGTH + 1)
        sub(/^[ \t]*/, "", rule)
        if (rule != "") {
          if (substr(rule, 1, 1) != ",") { bad("no comma after " key); break }
          rule = substr(rule, 2)
          if (rule ~ /^[ \t]*$/) { bad("comma at the end"); break }
        }
        isMatch = (op == "==" || op == "!=")
        if (isMatch && !(key in matchKey)) bad(key " cannot be compared")
        if (!isMatch && !(key in assignKey)) bad(key " cannot be assigned")
        if (key in needsAttr && attr == "") bad(key " needs {attribute}")
        if (attr != "" && !(key in needsAttr) && !(key in mayHaveAttr)) bad(key " takes no {attribute}")
        if (key == "MODE" && value !~ /^0?[0-7][0-7][0-7]$/) bad("MODE \"" value "\" is not octal")
        if ((key == "GROUP" || key == "OWNER") && value !~ /^[a-z_][a-z0-9_-]*$/) bad(key " \"" value "\" is no name")
        if (key == "LABEL") { labels[value] = 1; isLabel = 1 }
        if (key == "GOTO") { gotos[value] = FILENAME ":" FNR }
        if (!isMatch) assigns++
      }
      if (assigns == 0 && !isLabel) bad("a rule without an assignment")
    }
    END {
      for (g in gotos) if (!(g in labels)) { printf "%s: GOTO \"%s\" has no LABEL\n", gotos[g], g > "/dev/stderr"; errors++ }
      exit errors > 0
    }' "$@"
}

# The check itself must reject broken rules, or it proves nothing.
self_test_udev_check() {
  local scratch=$1 good=$2 broken i=0
  check_udev_rules "$good" || fail "the udev rule does not parse: $good"
  while IFS= read -r broken; do
    i=$((i + 1))
    printf '%s\n' "$broken" > "$scratch/broken$i.rules"
    if check_udev_rules "$scratch/broken$i.rules" 2> /dev/null; then
      fail "the udev rule check takes a broken rule: $broken"
    fi
  done << 'EOF'
SUBSYSTEM=="tty", ATTRS{idVendor}=="0403, GROUP="dialout"
SUBSYSTEM=="tty", ATTRS{idVendor}=="0403" GROUP="dialout"
SUBSYSTEM=="tty", GROUP=="dialout"
SUBSYSTEM=="tty", ATTRS{idVendor}="0403"
SUBSYSTEM=="tty", MODE="0x66"
SUBSYSTEM=="tty", ENV="1"
SUBSYSTEM=="tty", GRUOP="dialout"
SUBSYSTEM=="tty", GOTO="nowhere"
SUBSYSTEM=="tty", ATTRS{idVendor}=="0403",
SUBSYSTEM=="tty"
EOF
}

if [ "${1:-}" = --udev-rules ]; then
  shift
  check_udev_rules "$@"
  exit
fi

[ $# -eq 1 ] || fail "usage: $0 BUILD_FOLDER"
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
started=
cleanup() {
  [ -n "$started" ] && kill -KILL "$started" 2> /dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

# --- the package -----------------------------------------------------------
qt=$(sed -n 's/^TARVO_QT:[A-Z]*=//p' "$build/CMakeCache.txt" 2> /dev/null)
qt=${qt:-6}
case $qt in
  6) name=tarvo-com other=tarvo-com-qt5 otherqt=5 ;;
  5) name=tarvo-com-qt5 other=tarvo-com otherqt=6 ;;
  *) fail "TARVO_QT=$qt in $build/CMakeCache.txt" ;;
esac
rm -f "$build/package/${name}"_*.deb
(cd "$build" && cpack -G DEB > "$scratch/cpack.log" 2>&1) || {
  cat "$scratch/cpack.log" >&2
  fail "cpack -G DEB failed"
}
debs=("$build/package/${name}"_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single ${name}_*.deb in $build/package"
deb=${debs[0]}
version=$(dpkg-deb -f "$deb" Version)
upstream=${version%-*}
arch=$(dpkg --print-architecture)
[ "$(basename "$deb")" = "${name}_${version}_${arch}.deb" ] || fail "file name $(basename "$deb")"
[ "$upstream" != "$version" ] || fail "Version $version has no Debian release"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = "$name" ] || fail "Package: $(field Package)"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
[ "$(field Conflicts)" = "$other" ] || fail "Conflicts: $(field Conflicts)"
[ "$(field Replaces)" = "$other" ] || fail "Replaces: $(field Replaces)"
[ "$(field Provides)" = tarvo-workstation ] || fail "Provides: $(field Provides)"
[ "$(field Recommends)" = console-cyrillic ] || fail "Recommends: $(field Recommends)"
[ "$(field Suggests)" = cups-client ] || fail "Suggests: $(field Suggests)"
[ "$(field Section)" = comm ] || fail "Section: $(field Section)"
[ -n "$(field Maintainer)" ] && [ -n "$(field Description)" ] || fail "no Maintainer or Description"
depends=$(field Depends)
# Debian 13 names the Qt libraries libqt6core6t64 and the like.
for lib in adduser libc6 'libstdc\+\+6' "libqt${qt}core[0-9a-z]*" "libqt${qt}widgets[0-9a-z]*" \
  "libqt${qt}multimedia[0-9a-z]*" "libqt${qt}serialport[0-9a-z]*"; do
  [[ ", $depends," =~ ,\ $lib[\ ,] ]] || fail "Depends lacks $lib: $depends"
done
[[ $depends != *libqt${otherqt}* ]] || fail "Depends names Qt $otherqt: $depends"
# Qt 5's sound and audio-output query are plugins of a package of their own.
if [ "$qt" = 5 ]; then
  [[ ", $depends," == *", libqt5multimedia5-plugins,"* ]] || fail "Depends lacks the Qt 5 multimedia plugins: $depends"
fi
dpkg-deb -e "$deb" "$scratch/control"
grep -q dialout "$scratch/control/postinst" || fail "postinst does not mention dialout"
grep -q 'addgroup --system' "$scratch/control/postinst" || fail "postinst makes no group"
for script in postinst postrm; do
  [ -x "$scratch/control/$script" ] && sh -n "$scratch/control/$script" || fail "$script"
done
[ "$(cat "$scratch/control/conffiles")" = /etc/tarvo-com/tarvo-com.conf ] ||
  fail "conffiles: $(cat "$scratch/control/conffiles")"

# Debian's own checker, on every tag it shows by default.
command -v lintian > /dev/null || fail "no lintian (package lintian)"
lintian --fail-on error,warning "$deb" > "$scratch/lintian.log" 2>&1 || {
  cat "$scratch/lintian.log" >&2
  fail "lintian found errors or warnings in $(basename "$deb")"
}

# The exact file list: everything the package holds, owned by root, and
# nothing else (a library or a test that came along by accident).
expected=(
  ./etc/tarvo-com/tarvo-com.conf
  ./usr/bin/tarvo
  ./usr/bin/tarvo-ckssim
  ./usr/bin/tarvo-lent9sim
  ./usr/bin/tarvo-lin9sim
  ./usr/bin/tarvo-printer-font
  ./usr/lib/tarvo-com/ckssim
  ./usr/lib/tarvo-com/lent9sim
  ./usr/lib/tarvo-com/lin9sim
  ./usr/lib/udev/rules.d/60-tarvo-adapters.rules
  ./usr/share/applications/tarvo-com.desktop
  "./usr/share/doc/$name/changelog.Debian.gz"
  "./usr/share/doc/$name/copyright"
  ./usr/share/icons/hicolor/128x128/apps/tarvo-com.png
  ./usr/share/icons/hicolor/16x16/apps/tarvo-com.png
  ./usr/share/icons/hicolor/256x256/apps/tarvo-com.png
  ./usr/share/icons/hicolor/32x32/apps/tarvo-com.png
  ./usr/share/icons/hicolor/48x48/apps/tarvo-com.png
  ./usr/share/icons/hicolor/64x64/apps/tarvo-com.png
  ./usr/share/icons/hicolor/scalable/apps/tarvo-com.svg
  ./usr/share/man/man1/tarvo-ckssim.1.gz
  ./usr/share/man/man1/tarvo-lent9sim.1.gz
  ./usr/share/man/man1/tarvo-lin9sim.1.gz
  ./usr/share/man/man1/tarvo-printer-font.1.gz
  ./usr/share/man/man1/tarvo.1.gz
  ./usr/share/metainfo/io.github.tarvo_com.tarvo.metainfo.xml
  ./usr/share/tarvo-com/alarm.wav
  ./usr/share/tarvo-com/demo.script
  ./usr/share/tarvo-com/korvel.ini
  ./usr/share/tarvo-com/printer8x8.fnt
)
dpkg-deb -c "$deb" > "$scratch/contents"
awk '$1 !~ /^d/ { print $6 }' "$scratch/contents" | LC_ALL=C sort > "$scratch/files"
printf '%s\n' "${expected[@]}" | LC_ALL=C sort > "$scratch/expected"
diff -u "$scratch/expected" "$scratch/files" > "$scratch/files.diff" || {
  cat "$scratch/files.diff" >&2
  fail "the package's file list differs (- expected, + in the package)"
}
awk '$2 != "root/root" { print; bad = 1 } END { exit bad }' "$scratch/contents" ||
  fail "files not owned by root"
for sim in ckssim lin9sim lent9sim; do
  grep -q "\./usr/bin/tarvo-$sim -> \.\./lib/tarvo-com/$sim\$" "$scratch/contents" ||
    fail "/usr/bin/tarvo-$sim is no link to ../lib/tarvo-com/$sim"
done
grep -Eq '^-rwxr-xr-x .* \./usr/bin/tarvo$' "$scratch/contents" || fail "/usr/bin/tarvo not executable"

# --- what it installs, from a scratch root ---------------------------------
root=$scratch/root
dpkg-deb -x "$deb" "$root"
share=$root/usr/share

desktop=$share/applications/tarvo-com.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
grep -qx 'Categories=Network;' "$desktop" || fail "Categories of $desktop"
grep -q '^Name\[ru\]=.*телеграфиста' "$desktop" || fail "no Russian Name in $desktop"
grep -qx 'Exec=tarvo' "$desktop" && grep -qx 'Icon=tarvo-com' "$desktop" || fail "Exec or Icon"

# PNG width and height, big-endian at bytes 16 and 20.
for size in 16 32 48 64 128 256; do
  png=$share/icons/hicolor/${size}x${size}/apps/tarvo-com.png
  read -r w h < <(od -An -tu1 -j16 -N8 "$png" | awk '{ print $3 * 256 + $4, $7 * 256 + $8 }')
  [ "$w $h" = "$size $size" ] || fail "$png is ${w}x$h"
done
grep -q '<svg ' "$share/icons/hicolor/scalable/apps/tarvo-com.svg" || fail "no SVG icon"

for page in tarvo tarvo-ckssim tarvo-lent9sim tarvo-lin9sim tarvo-printer-font; do
  gz=$share/man/man1/$page.1.gz
  gzip -t "$gz" || fail "$gz is not gzip"
  warnings=$(zcat "$gz" | groff -k -man -Tutf8 -ww -z 2>&1)
  [ -z "$warnings" ] || fail "groff on $page(1): $warnings"
  MANWIDTH=80 man -l "$gz" 2> /dev/null | grep -q "^NAME" || fail "man -l $gz shows no NAME"
done

# The changelog and the AppStream release name the package's version.
doc=$share/doc/$name
zcat "$doc/changelog.Debian.gz" > "$scratch/changelog"
[ "$(dpkg-parsechangelog -l "$scratch/changelog" -S Version)" = "$version" ] ||
  fail "the changelog's last entry is not $version"
head -1 "$doc/copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "$doc/copyright is not machine-readable"
metainfo=$share/metainfo/io.github.tarvo_com.tarvo.metainfo.xml
appstreamcli validate --no-net "$metainfo" > "$scratch/appstream.log" 2>&1 || {
  cat "$scratch/appstream.log" >&2
  fail "appstreamcli validate $metainfo"
}
grep -q '<launchable type="desktop-id">tarvo-com.desktop</launchable>' "$metainfo" ||
  fail "$metainfo does not launch tarvo-com.desktop"
[ "$(grep -o '<release version="[^"]*"' "$metainfo" | head -1)" = "<release version=\"$upstream\"" ] ||
  fail "the latest release in $metainfo is not $upstream"

# As installed, every account keeps its own program folder: nothing in the
# settings for every account is in force.
conf=$root/etc/tarvo-com/tarvo-com.conf
grep -qx '#ProgramFolder=/var/lib/tarvo-com' "$conf" || fail "$conf does not offer /var/lib/tarvo-com"
! grep -Ev '^[[:space:]]*(#|$)' "$conf" > /dev/null || fail "$conf sets something"

rules=$root/usr/lib/udev/rules.d/60-tarvo-adapters.rules
self_test_udev_check "$scratch" "$rules"
if udevadm verify --help > /dev/null 2>&1; then
  udevadm verify "$rules" || fail "udevadm verify $rules"
fi
for want in 'ATTRS{idVendor}=="0403"' 'ATTRS{idProduct}=="6001"' 'GROUP="dialout"' 'MODE="0660"' \
  'ENV{ID_MM_DEVICE_IGNORE}="1"' 'ATTR{latency_timer}="1"'; do
  grep -qF "$want" "$rules" || fail "$rules lacks $want"
done

[ "$(cat "$share/tarvo-com/korvel.ini")" = "$(printf '[PRINT]\r\nLoadFontFileName=/usr/share/tarvo-com/printer8x8.fnt\r')" ] ||
  fail "the default korvel.ini: $(cat -A "$share/tarvo-com/korvel.ini")"
[ "$(stat -c %s "$share/tarvo-com/printer8x8.fnt")" = 2048 ] || fail "printer8x8.fnt is no 8x8 font"
[ "$(head -c 4 "$share/tarvo-com/alarm.wav")" = RIFF ] || fail "alarm.wav is no wave file"

# The programs, without a display.
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
[ "$("${nodisplay[@]}" "$root/usr/bin/tarvo" --version)" = "tarvo (TARVO/COM) $upstream" ] ||
  fail "tarvo --version does not say $upstream"
"${nodisplay[@]}" "$root/usr/bin/tarvo" --help | grep -q '^Usage: tarvo ' || fail "tarvo --help"
set +e
"${nodisplay[@]}" TARVO_HOME="$scratch/unused" "$root/usr/bin/tarvo" > "$scratch/out" 2> "$scratch/err"
status=$?
set -e
[ "$status" -ne 0 ] && [ "$status" -lt 128 ] && [ "$(wc -l < "$scratch/err")" = 1 ] ||
  fail "tarvo without a display: status $status, $(cat "$scratch/err")"
for tool in tarvo-ckssim tarvo-lin9sim tarvo-lent9sim tarvo-printer-font; do
  "$root/usr/bin/$tool" --help > /dev/null || fail "$tool --help"
done

# start_in FOLDER: starts the installed program as an operator in the home
# folder $home, waits until it has made inp/, out/ and a day's protocol in
# FOLDER, and ends it as the session does.
home=$scratch/home
mkdir -p "$home" "$scratch/run"
chmod 700 "$scratch/run"
start_in() {
  local folder=$1
  env -u TARVO_HOME -u XDG_DATA_HOME HOME="$home" XDG_RUNTIME_DIR="$scratch/run" \
    QT_QPA_PLATFORM=offscreen "$root/usr/bin/tarvo" -n packagecheck > "$scratch/start.log" 2>&1 &
  started=$!
  for _ in $(seq 300); do
    [ -d "$folder/inp" ] && [ -d "$folder/out" ] && compgen -G "$folder/prt/*.prt" > /dev/null && break
    kill -0 "$started" 2> /dev/null || break
    sleep 0.1
  done
  kill -0 "$started" 2> /dev/null || {
    cat "$scratch/start.log" >&2
    fail "the installed program ended at its start in $folder"
  }
  kill -TERM "$started"
  wait "$started" || true
  started=
  [ -d "$folder/inp" ] && [ -d "$folder/out" ] && [ -d "$folder/prt" ] ||
    fail "no inp/, out/, prt/ in $folder: $(ls -A "$folder")"
}

# A first start of the installed program: its executable folder is writable
# here (as /usr/bin is for root), yet the program folder is made in the home
# folder, from the installed korvel.ini and alarm.wav.
folder=$home/.local/share/tarvo-com
start_in "$folder"
cmp -s "$folder/alarm.wav" "$share/tarvo-com/alarm.wav" || fail "alarm.wav not the installed one"
grep -q '^LoadFontFileName=/usr/share/tarvo-com/printer8x8.fnt' "$folder/korvel.ini" ||
  fail "korvel.ini not started from the installed one"
[ "$(ls "$root/usr/bin" | wc -l)" = 5 ] || fail "the program wrote into its executable folder"

# The administrator names one folder for every account in the installation's
# etc/tarvo-com: the program works there, leaves everything it makes
# writable for the group, and keeps its lock there.
shared=$scratch/shared
mkdir "$shared"
chmod 2775 "$shared"
cp "$conf" "$scratch/conf.installed"
echo "ProgramFolder=$shared" >> "$conf"
start_in "$shared"
cp "$scratch/conf.installed" "$conf"
[ -z "$(find "$shared" ! -perm -g+w)" ] || fail "not writable for the group: $(find "$shared" ! -perm -g+w)"
[ -f "$shared/KORVEL_COMpackagecheck.lock" ] || fail "no lock file in $shared"
grep -q '^LoadFontFileName=/usr/share/tarvo-com/printer8x8.fnt' "$shared/korvel.ini" ||
  fail "the shared korvel.ini not started from the installed one"

# --- as root: the package manager's own install and remove -----------------
if [ "$(id -u)" = 0 ] || [ -n "${TARVO_CI:-}" ]; then
  if dpkg-query -W -f='${Status}\n' tarvo-com tarvo-com-qt5 2> /dev/null | grep -q 'ok installed'; then
    echo "check-package: a TARVO/COM package is installed on this machine; apt-get install not tried"
  else
    getent group tarvo > /dev/null && had_group=1 || had_group=
    [ -e /var/lib/tarvo-com ] && had_folder=1 || had_folder=
    export DEBIAN_FRONTEND=noninteractive
    apt-get install -y --no-install-recommends "$deb" > "$scratch/apt.log" 2>&1 || {
      cat "$scratch/apt.log" >&2
      fail "apt-get install $deb"
    }
    installed=$(env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/tarvo --version) || installed=
    manpages=
    for page in tarvo tarvo-ckssim tarvo-lent9sim tarvo-lin9sim tarvo-printer-font; do
      man -w "$page" > /dev/null 2>&1 && manpages+=" $page"
    done
    grep -q "dialout" "$scratch/apt.log" && said=1 || said=
    folder_made=$(stat -c '%U:%G %a' /var/lib/tarvo-com 2> /dev/null) || folder_made=
    apt-get remove -y --purge "$name" > "$scratch/apt-remove.log" 2>&1 ||
      fail "apt-get remove $name: $(cat "$scratch/apt-remove.log")"
    left=$(ls -d /usr/bin/tarvo /usr/share/tarvo-com /etc/tarvo-com 2> /dev/null) || true
    [ -n "$had_folder" ] || [ ! -e /var/lib/tarvo-com ] || left+=" /var/lib/tarvo-com"
    # The group stays on purge, as system groups do; the check leaves the
    # machine as it found it.
    [ -n "$had_group" ] || groupdel tarvo 2> /dev/null || true
    [ "$installed" = "tarvo (TARVO/COM) $upstream" ] || fail "installed tarvo --version: $installed"
    [ "$manpages" = " tarvo tarvo-ckssim tarvo-lent9sim tarvo-lin9sim tarvo-printer-font" ] ||
      fail "man finds only$manpages after the install"
    [ -n "$said" ] || fail "the install did not say the operator must be in dialout"
    [ -n "$had_folder" ] || [ "$folder_made" = "root:tarvo 2775" ] ||
      fail "/var/lib/tarvo-com after the install: $folder_made"
    [ -z "$left" ] || fail "left after the purge: $left"
  fi
fi

echo "check-package: $(basename "$deb") passed"
