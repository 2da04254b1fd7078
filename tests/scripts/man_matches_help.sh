#!/bin/sh
# Checks that the manual pages describe what `kantilo --help` prints: every option of the help
# is an entry of each page's option list, every file extension it names appears in each page,
# and every form of the help (its options and extensions, in order) is one of the forms of each
# page's synopsis, where a page's form may add alternatives. Long options listed in a page must
# also exist in the help.
# Usage: man_matches_help.sh PROGRAM PAGE...   (pages as roff, uncompressed)
set -u
program=$1
shift
help=$("$program" --help) || { echo "FEHLER: $program --help scheitert" >&2; exit 1; }

# The tokens that matter of a text, one per line: options and lower-case file extensions.
tokens() {
    grep -Eo '(^|[][ ,|(])--?[A-Za-z][A-Za-z0-9-]*|(^|[^a-z0-9])\.[a-z][a-z0-9]*' |
        sed -E 's/^[^.-]//'
}
# The page as plain text lines, the request names kept: escapes of hyphens, fonts, break
# points and special characters resolved, comments dropped.
plain() {
    sed -E '/^\.\\"/d; s/\\-/-/g; s/\\:|\\f[BIRP]|\\&//g; s/\\\([A-Za-z]{2}/ /g' "$1"
}

help_options=$(printf '%s\n' "$help" | tokens | grep '^-' | sort -u)
help_extensions=$(printf '%s\n' "$help" | tokens | grep '^\.' | sort -u)
help_forms=$(printf '%s\n' "$help" | grep -E '^[[:space:]]+kantilo([[:space:]]|$)')
[ -n "$help_options" ] && [ -n "$help_forms" ] || { echo "FEHLER: keine Optionen in --help" >&2; exit 1; }

failures=0
fail() { echo "FEHLER: $page: $*" >&2; failures=$((failures + 1)); }

for page in "$@"; do
    text=$(plain "$page")
    # The tags of the option list: the lines after .TP between the options heading and the next
    # section.
    tags=$(printf '%s\n' "$text" | awk '/^\.SH/ { in_options = ($2 == "OPTIONS" || $2 == "OPTIONEN") }
        in_options && tag { sub(/^\.[A-Za-z]+ /, ""); print; tag = 0 } /^\.TP/ { tag = 1 }' | tokens | grep '^-' | sort -u)
    for option in $help_options; do
        printf '%s\n' "$tags" | grep -qx -- "$option" || fail "Option $option fehlt in der Optionsliste"
    done
    for option in $(printf '%s\n' "$tags" | grep '^--'); do
        printf '%s\n' "$help_options" | grep -qx -- "$option" || fail "Option $option gibt es laut --help nicht"
    done
    page_extensions=$(printf '%s\n' "$text" | sed -E 's/^\.[A-Za-z]+( |$)/ /' | tokens | grep '^\.' | sort -u)
    for extension in $help_extensions; do
        printf '%s\n' "$page_extensions" | grep -qx -- "$extension" || fail "Endung $extension fehlt"
    done
    # Each synopsis form as one line of its tokens; forms are separated by .br.
    page_forms=$(printf '%s\n' "$text" | awk '/^\.SH/ { in_synopsis = ($2 == "SYNOPSIS" || $2 == "ÜBERSICHT"); next }
        in_synopsis && /^\.br/ { print form; form = ""; next }
        in_synopsis && !/^\.(ad|nh|hy)/ { sub(/^\.[A-Za-z]+ /, " "); form = form " " $0 }
        END { if (form != "") print form }')
    synopsis=$(printf '%s\n' "$page_forms" | while IFS= read -r form; do
        printf '%s\n' "$form" | tokens | tr '\n' ' '; echo; done)
    printf '%s\n' "$help_forms" | while IFS= read -r form; do
        wanted=$(printf '%s\n' "$form" | tokens | tr '\n' ' ')
        # A help form matches a page form that holds its tokens in the same order.
        printf '%s\n' "$synopsis" | awk -v wanted="$wanted" '
            { n = split(wanted, w, " "); m = split($0, p, " "); j = 1
              for (i = 1; i <= m && j <= n; i++) if (p[i] == w[j]) j++
              if (j > n) { found = 1; exit } }
            END { exit !found }' || { echo "FEHLER: $page: Aufruf fehlt in der Übersicht: $form" >&2; echo x; }
    done | grep -q x && failures=$((failures + 1))
done
[ "$failures" -eq 0 ] || exit 1
echo "$# Handbuchseiten passen zu --help ($(echo $help_options | wc -w) Optionen, $(printf '%s\n' "$help_forms" | wc -l) Aufrufe)"
