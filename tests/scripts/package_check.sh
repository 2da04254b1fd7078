#!/bin/bash
# Checks the Debian package as a user's machine would meet it: lintian, the files it holds and
# its control fields; then installs it with apt-get, checks the installed menu entry, AppStream
# data and manual pages, runs the program from /usr/bin, asks the desktop for the type and the
# handler of a document, purges the package and checks that nothing of it is left.
# Needs root (apt-get). Prints "package: N passed, M failed" last; exits non-zero on a failure.
# Usage: package_check.sh DEB SOURCE_DIR
set -uo pipefail
deb=$(realpath "$1")
source_dir=$(realpath "$2")
work=$(mktemp -d)
passed=0
failed=0
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/xvfb_display.sh"

check() {  # check NAME COMMAND...: runs the command, counts and reports it
    local name=$1
    shift
    if "$@" >"$work/out" 2>&1; then
        passed=$((passed + 1))
        echo "ok      $name"
    else
        failed=$((failed + 1))
        echo "FEHLER  $name"
        sed 's/^/        /' "$work/out"
    fi
}
finish() {
    echo "package: $passed passed, $failed failed"
    [[ $failed -eq 0 ]]
    exit
}

if [[ $(id -u) != 0 ]]; then
    echo "package: installing needs root; skipped"
    exit 77
fi

# lintian: errors fail, warnings are shown.
lintian_clean() {
    local status=0
    lintian --info --fail-on error "$deb" >"$work/lintian" 2>&1 || status=$?
    ! grep -q '^E:' "$work/lintian" && grep -q . "$work/contents" && [[ $status -eq 0 ]]
}
dpkg-deb -c "$deb" | awk '{ print substr($6, 2) }' | sed 's:/$::' | grep . >"$work/contents"
check "lintian meldet keine Fehler" lintian_clean
# Warnings stay visible in the log; lintian's caution against running as root is not news.
grep -v 'root privileges' "$work/lintian"
holds_files() {
    local file missing=0
    for file in /usr/bin/kantilo /usr/libexec/kantilo/kantilo-editor \
        /usr/share/applications/kantilo.desktop \
        /usr/share/mime/packages/kantilo.xml /usr/share/metainfo/org.example.kantilo.metainfo.xml \
        /usr/share/man/man1/kantilo.1.gz /usr/share/man/de/man1/kantilo.1.gz \
        /usr/share/doc/kantilo/copyright /usr/share/doc/kantilo/changelog.gz \
        /usr/share/doc/kantilo/emmentaler-OFL.txt /usr/share/kantilo/instrumente/Klavier.wav \
        /usr/share/kantilo/instrumente/Orgel.wav /usr/share/kantilo/instrumente/Flöte.wav; do
        grep -qx "$file" "$work/contents" || { echo "fehlt: $file"; missing=1; }
    done
    for size in 16 32 48 64 128 256; do
        for icon in apps/kantilo mimetypes/application-x-kantilo; do
            file=/usr/share/icons/hicolor/${size}x$size/$icon.png
            grep -qx "$file" "$work/contents" || { echo "fehlt: $file"; missing=1; }
        done
    done
    return $missing
}
check "das Paket enthält Programm, Menüeintrag, Typ, Symbole, Metadaten, Handbuch, Lizenzen" holds_files

control_fields() {
    local field=$1 pattern value
    shift
    value=$(dpkg-deb -f "$deb" "$field" | tr '\n' ' ' | sed 's/ $//')
    echo "$field: $value"
    for pattern in "$@"; do
        grep -Eq "$pattern" <<<"$value" || return 1
    done
}
check "Depends ist aus dem Programm berechnet" control_fields Depends 'libc6 \(>= ' 'libqt6widgets6 \(>= ' 'libqt6multimedia6 \(>= ' 'qt6-qpa-plugins'
check "Recommends nennt Abspiel-Plugins und Übersetzungen" control_fields Recommends 'gstreamer1.0-plugins-good.*qt6-translations-l10n'
check "Section ist sound" control_fields Section '^sound$'
check "Homepage ist gesetzt" control_fields Homepage '^https://'
check "Maintainer ist gesetzt" control_fields Maintainer '^[^<]+ <[^@]+@[^>]+>$'
check "die Beschreibung ist englisch und deutsch" control_fields Description 'melody editor.*Deutsch: Kantilo'

# Everything the package will add, and the state of the packages, to compare after the purge.
dpkg-query -W -f='${Package} ${Version} ${db:Status-Abbrev}\n' | sort >"$work/packages-before"
if dpkg-query -W -f='${db:Status-Status}' kantilo 2>/dev/null | grep -q installed; then
    echo "kantilo war schon installiert: es wird zuerst entfernt"
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq kantilo >/dev/null
    dpkg-query -W -f='${Package} ${Version} ${db:Status-Abbrev}\n' | sort >"$work/packages-before"
fi
while read -r path; do [[ -e $path ]] || echo "$path"; done <"$work/contents" >"$work/new-paths"

install_package() {
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb" &&
        dpkg-query -W -f='${db:Status-Status}' kantilo | grep -qx installed
}
check "apt-get install ./kantilo_*.deb" install_package

check "der Menüeintrag ist gültig" desktop-file-validate /usr/share/applications/kantilo.desktop
check "die AppStream-Daten sind gültig" appstreamcli validate --no-net --pedantic /usr/share/metainfo/org.example.kantilo.metainfo.xml
man_renders() {  # man_renders PAGE: no warning, and the page has its sections
    local warnings
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$1" 2>&1 >"$work/page.txt")
    [[ -z $warnings ]] || { echo "$warnings"; return 1; }
    grep -q "$2" "$work/page.txt"
}
check "man kantilo (englisch) ohne Warnungen" man_renders /usr/share/man/man1/kantilo.1.gz 'EXIT STATUS'
check "man kantilo (deutsch) ohne Warnungen" man_renders /usr/share/man/de/man1/kantilo.1.gz 'RÜCKGABEWERT'
man_finds() { local page; page=$(man "${@:2}" -w kantilo); echo "$page"; [[ $page == "$1" ]]; }
check "man kantilo findet die englische Seite" man_finds /usr/share/man/man1/kantilo.1.gz -L C
check "man -L de kantilo findet die deutsche Seite" man_finds /usr/share/man/de/man1/kantilo.1.gz -L de

check "kantilo --version aus /usr/bin" bash -c '/usr/bin/kantilo --version | grep -q "^Kantilo "'
render_example() {
    cp "$source_dir/examples/beispiel.kt" "$work/lied.kt"
    (cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/bin/kantilo lied.kt -o lied.wav) &&
        [[ $(head -c 4 "$work/lied.wav") == RIFF && $(stat -c %s "$work/lied.wav") -gt 44 ]]
}
check "das Beispiel wird ohne Anzeige gerendert" render_example
# A shipped instrument by its name, found in /usr/share/kantilo/instrumente; it is recorded at
# 44100 Hz where the built-in tone has 22050.
render_with_shipped_instrument() {
    (cd "$work" && /usr/bin/kantilo lied.kt -o klavier.wav --instrument Klavier) &&
        [[ $(soxi -r "$work/klavier.wav") == 44100 ]] &&
        /usr/bin/kantilo --help | grep -q 'Mitgelieferte Instrumente (NAME): .*Klavier'
}
check "ein mitgeliefertes Instrument wird mit seinem Namen gefunden" render_with_shipped_instrument
# Pages are drawn by the editor program in libexec, which kantilo hands them to.
pages_of_example() {
    (cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/bin/kantilo lied.kt -o lied.pdf) &&
        [[ $(head -c 5 "$work/lied.pdf") == %PDF- ]] &&
        (cd "$work" && /usr/bin/kantilo lied.kt -o lied.musicxml) && grep -q "<score-partwise" "$work/lied.musicxml"
}
check "das Beispiel wird ohne Anzeige zu PDF und MusicXML" pages_of_example

# The desktop as a user meets it: fresh home and settings, no desktop environment of its own.
desktop=(env -u XDG_CURRENT_DESKTOP HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
         XDG_DATA_HOME="$work/home/.local/share")
desktop() { "${desktop[@]}" "$@"; }
mkdir -p "$work/home"
is_type() { local t; t=$(desktop xdg-mime query filetype "$1"); echo "$t"; [[ $t == "$2" ]]; }
cp "$source_dir/examples/beispiel.kt" "$work/ohne-endung"
check "ein .kt-Dokument ist application/x-kantilo" is_type "$work/lied.kt" application/x-kantilo
check "ein Dokument ohne Endung ist application/x-kantilo (am Inhalt)" is_type "$work/ohne-endung" application/x-kantilo
is_default() { local d; d=$(desktop xdg-mime query default "$1"); echo "$d"; [[ $d == kantilo.desktop ]]; }
check "kantilo.desktop öffnet Kantilo-Dokumente" is_default application/x-kantilo
check "eine .musicxml-Partitur ist application/vnd.recordare.musicxml+xml" is_type "$work/lied.musicxml" application/vnd.recordare.musicxml+xml
opens_file() {  # the handler of the type the desktop sees in the file
    local t d
    t=$(desktop xdg-mime query filetype "$1")
    d=$(desktop xdg-mime query default "$t")
    echo "$t: $d"
    [[ $d == kantilo.desktop ]]
}
check "kantilo.desktop öffnet eine .musicxml-Partitur" opens_file "$work/lied.musicxml"
check "kantilo.desktop öffnet MusicXML" grep -q 'application/vnd.recordare.musicxml+xml=.*kantilo.desktop' /usr/share/applications/mimeinfo.cache

# A double click: xdg-open starts the handler through the menu entry's Exec line, on a
# private X server; the editor's window must show the document.
opens_on_double_click() {
    local xvfb_pid opener_pid window="" app_pid status=1
    if ! xvfb_display "$work"; then
        echo "Xvfb meldet nach 60 s keine Anzeige."
        kill "$xvfb_pid" 2>/dev/null
        return 1
    fi
    # xdg-open waits for the editor; both get a process group of their own, ended together.
    setsid "${desktop[@]}" xdg-open "$work/lied.kt" >"$work/open.log" 2>&1 &
    opener_pid=$!
    window=$(timeout 20 xdotool search --sync --onlyvisible --name '^lied.* - Kantilo$' | head -n 1)
    if [[ -n $window ]]; then
        xdotool getwindowname "$window"
        sleep 1
        mkdir -p "$(dirname "$deb")/screenshots"
        import -window root "$(dirname "$deb")/screenshots/installed-editor.png" 2>/dev/null || true
        app_pid=$(xdotool getwindowpid "$window")
        # kantilo hands the window over to the editor program in the same process.
        [[ $(readlink "/proc/$app_pid/exe") == /usr/libexec/kantilo/kantilo-editor ]] && status=0
    else
        cat "$work/open.log"
    fi
    kill -- -"$opener_pid" 2>/dev/null
    wait "$opener_pid" 2>/dev/null
    kill "$xvfb_pid"
    wait "$xvfb_pid" 2>/dev/null
    unset DISPLAY
    return $status
}
if command -v Xvfb >/dev/null && command -v xdotool >/dev/null; then
    check "ein Doppelklick auf ein .kt-Dokument öffnet es im Editor" opens_on_double_click
else
    echo "übersprungen: Doppelklick (Xvfb oder xdotool fehlt)"
fi

check "apt-get purge kantilo" env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q kantilo
nothing_left() {
    local path left=0
    while read -r path; do
        # Folders that were there before stay.
        [[ -d $path && ! -L $path ]] && ! grep -qx "$path" "$work/new-paths" && continue
        [[ -e $path || -L $path ]] && { echo "übrig: $path"; left=1; }
    done <"$work/contents"
    [[ ! -e /usr/share/mime/application/x-kantilo.xml ]] || { echo "übrig: der Typ in der MIME-Datenbank"; left=1; }
    [[ ! -e /usr/share/mime/application/vnd.recordare.musicxml+xml.xml ]] || { echo "übrig: MusicXML in der MIME-Datenbank"; left=1; }
    ! grep -q kantilo /usr/share/applications/mimeinfo.cache 2>/dev/null || { echo "übrig: kantilo in mimeinfo.cache"; left=1; }
    dpkg-query -W -f='${Package} ${Version} ${db:Status-Abbrev}\n' | sort >"$work/packages-after"
    diff "$work/packages-before" "$work/packages-after" || left=1
    return $left
}
check "nach dem Purge ist keine Datei des Pakets übrig" nothing_left
finish
