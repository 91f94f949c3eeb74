#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a user gets: every promised
# file, the installed command line giving the build's result from another working folder,
# the desktop entry, metainfo, manual pages and bash completion passing their checkers, and
# the installed desktop program showing German captions from the installed translations.
#
#   install_test.sh BUILD_DIR PHOTO [CAPTION_PROBE]
#
# Without CAPTION_PROBE (a build without the desktop program) only the command line's part
# is checked.
set -euo pipefail

build=$1
photo=$2
probe=${3:-}
app_id=com.pellvane.PhotoValidator

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
elsewhere=$work/elsewhere
mkdir -p "$elsewhere"

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

"${CMAKE:-cmake}" --install "$build" --prefix "$prefix" >/dev/null

# --- every file the installation promises ---
expected=(
    bin/pellvane-validate
    share/man/man1/pellvane-validate.1.gz
    share/bash-completion/completions/pellvane-validate
)
if [ -n "$probe" ]; then
    expected+=(
        bin/pellvane-validator
        share/man/man1/pellvane-validator.1.gz
        share/pellvane/Lang/1031/lang.cfg
        share/pellvane/Lang/2052/lang.cfg
        "share/applications/$app_id.desktop"
        "share/metainfo/$app_id.metainfo.xml"
        "share/icons/hicolor/scalable/apps/$app_id.svg"
    )
    for size in 16 22 24 32 48 64 128 256; do
        expected+=("share/icons/hicolor/${size}x${size}/apps/$app_id.png")
    done
fi
for file in "${expected[@]}"; do
    [ -f "$prefix/$file" ] || fail "not installed: $file"
done
[ -x "$prefix/bin/pellvane-validate" ] || fail "pellvane-validate is not executable"

for size in 16 48 256; do
    png=$prefix/share/icons/hicolor/${size}x${size}/apps/$app_id.png
    [ -z "$probe" ] || file "$png" | grep -q "PNG image data, $size x $size" ||
        fail "the ${size}x${size} icon is not a PNG of that size: $(file "$png")"
done

# --- the installed command line, run from another folder, answers as the build's does ---
for options in "" "--segments --tags" "--json"; do
    # shellcheck disable=SC2086 # the options are meant to split
    built=$(cd "$build" && ./pellvane-validate $options "$photo"; echo "exit $?")
    # shellcheck disable=SC2086
    installed=$(cd "$elsewhere" && "$prefix/bin/pellvane-validate" $options "$photo"; echo "exit $?")
    [ "$built" = "$installed" ] || fail "installed pellvane-validate $options differs from the build's"
    case $options in
    --json) grep -q '"class":' <<<"$installed" || fail "no JSON report: $installed" ;;
    *) grep -q 'TRUST RATING: Class' <<<"$installed" || fail "no rating: $installed" ;;
    esac
done
(cd "$elsewhere" && "$prefix/bin/pellvane-validate" --help | grep -q -- '--jobs') ||
    fail "pellvane-validate --help names no --jobs"

# --- the manual pages render without a warning ---
for page in "$prefix"/share/man/man1/*.1.gz; do
    name=$(basename "$page" .1.gz)
    rendered=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>"$work/man-warnings")
    if ! grep -q "^NAME" <<<"$rendered" || ! grep -q "$name" <<<"$rendered"; then
        fail "man -l $page renders no page"
    fi
    [ ! -s "$work/man-warnings" ] || fail "man -l $page warns: $(cat "$work/man-warnings")"
done

# --- the bash completion completes options and JPEG files ---
completion=$prefix/share/bash-completion/completions/pellvane-validate
mkdir -p "$elsewhere/photos" && touch "$elsewhere/photos/a.jpg" "$elsewhere/photos/b.JPEG" "$elsewhere/photos/c.png"
completed=$(cd "$elsewhere" && bash -c '
    source "$1"
    complete_words() { COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _pellvane_validate; echo "${COMPREPLY[*]}"; }
    complete_words pellvane-validate --se
    complete_words pellvane-validate --jobs ""
    complete_words pellvane-validate photos/' _ "$completion")
expected_completion=$'--segments\n1 2 4 8 16\nphotos/a.jpg photos/b.JPEG'
[ "$completed" = "$expected_completion" ] || fail "bash completion gave: $completed"

if [ -n "$probe" ]; then
    # --- the desktop entry and the metainfo pass their checkers ---
    desktop-file-validate "$prefix/share/applications/$app_id.desktop" || fail "desktop-file-validate"
    appstreamcli validate --no-net "$prefix/share/metainfo/$app_id.metainfo.xml" >"$work/appstream" 2>&1 ||
        fail "appstreamcli validate: $(cat "$work/appstream")"
    grep -q '^MimeType=image/jpeg;$' "$prefix/share/applications/$app_id.desktop" || fail "no MimeType"
    grep -q '^Exec=pellvane-validator %f$' "$prefix/share/applications/$app_id.desktop" || fail "no %f"

    # --- the installed window, started in German, finds its installed translations ---
    config=$work/config
    mkdir -p "$config/Pellvane"
    printf '[Validator]\nLocaleID=1031\n' >"$config/Pellvane/Pellvane.conf"
    captions=$(cd "$elsewhere" && TEMP=$work XDG_CONFIG_HOME=$config QT_QPA_PLATFORM=offscreen LD_PRELOAD=$probe \
        "$prefix/bin/pellvane-validator")
    for line in $'lblDescription\tPrüfen Sie, ob ein digitales Foto' $'cmdClose\t&Schließen' \
        $'cmdLanguage\tDeutsch' $'tbStart\tHierher ziehen'; do
        grep -qF "$line" <<<"$captions" || fail "the installed window shows no German '${line//$'\t'/ }': $captions"
    done
    grep -qxF "Validator=$prefix/bin/pellvane-validator" "$config/Pellvane/Pellvane.conf" ||
        fail "the installed window recorded another location: $(cat "$config/Pellvane/Pellvane.conf")"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures failed" >&2
    exit 1
fi
echo "the installed tree in a temporary prefix passed every check"
