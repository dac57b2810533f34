#!/usr/bin/env bash
# The Debian package, made with cpack from a build folder: its control fields, its exact file
# list, the desktop entry, the MIME type (glob and magic, through update-mime-database), the
# extracted programs (--version, info on a WAV), the shell completion, and lintian (no errors).
#   package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# cpack's own folder is the temporary one: nothing is left in the build folder.
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
    { cat "$tmp/cpack.log"; echo "FAIL: cpack"; exit 1; }
arch=$(dpkg --print-architecture)
deb="$tmp/out/sundrel_${version}_${arch}.deb"
[ -f "$deb" ] || { ls "$tmp/out"; echo "FAIL: no $(basename "$deb")"; exit 1; }

# Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = sundrel ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)'"
[ "$(field Section)" = sound ] || fail "Section is '$(field Section)'"
depends=$(field Depends)
for lib in libc6 libqt6widgets6 libportaudio2 libfftw3-single3 libebur128-1 libaubio5 libqt6svg6; do
    grep -qE "(^|, )$lib( |,|$)" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

# The exact list of files (directories aside): nothing missing, nothing stray.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' | sort >"$tmp/files"
{
    printf '%s\n' /usr/bin/sundrel /usr/bin/sundrel-cli \
        /usr/share/applications/sundrel.desktop \
        /usr/share/bash-completion/completions/sundrel-cli \
        /usr/share/doc/sundrel/README.md /usr/share/doc/sundrel/changelog.gz \
        /usr/share/doc/sundrel/copyright /usr/share/doc/sundrel/manual.md \
        /usr/share/icons/hicolor/scalable/apps/sundrel.svg \
        /usr/share/man/man1/sundrel-cli.1.gz /usr/share/man/man1/sundrel.1.gz \
        /usr/share/mime/packages/sundrel.xml
    for size in 16 22 24 32 48 64 128 256; do
        echo "/usr/share/icons/hicolor/${size}x${size}/apps/sundrel.png"
    done
} | sort >"$tmp/expected"
diff -u "$tmp/expected" "$tmp/files" || fail "the file list differs (- expected, + packaged)"

root="$tmp/root"
dpkg-deb -x "$deb" "$root"

# The PNG icons are the size their folder says.
for size in 16 22 24 32 48 64 128 256; do
    png="$root/usr/share/icons/hicolor/${size}x${size}/apps/sundrel.png"
    [ -f "$png" ] || continue
    got=$(od -An -tu1 -j16 -N8 "$png" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }')
    [ "$got" = "${size}x${size}" ] || fail "$png is $got"
done

# The desktop entry.
desktop="$root/usr/share/applications/sundrel.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -qx 'Exec=sundrel %f' "$desktop" || fail "Exec is not 'sundrel %f'"
for type in audio/x-wav audio/wav application/x-sundrel-project; do
    grep -E '^MimeType=' "$desktop" | tr ';=' '\n\n' | grep -qx "$type" ||
        fail "MimeType lacks $type"
done

# The MIME type: well-formed, and what update-mime-database makes of it.
xml="$root/usr/share/mime/packages/sundrel.xml"
xmllint --noout "$xml" || fail "xmllint"
mkdir -p "$tmp/share/mime/packages"
cp "$xml" "$tmp/share/mime/packages/"
XDG_DATA_DIRS="$tmp/share" update-mime-database "$tmp/share/mime" 2>"$tmp/mime.log" ||
    fail "update-mime-database"
[ -s "$tmp/mime.log" ] && { cat "$tmp/mime.log"; fail "update-mime-database complained"; }
grep -qx '50:application/x-sundrel-project:\*.sdr' "$tmp/share/mime/globs2" ||
    fail "no *.sdr glob in globs2: $(cat "$tmp/share/mime/globs2")"
# The magic file: the section header, then offset 0, the 2-byte length 5 and the bytes.
printf '[50:application/x-sundrel-project]\n>0=\000\005Sndrl\n' >"$tmp/magic.expected"
tail -c +13 "$tmp/share/mime/magic" | cmp -s - "$tmp/magic.expected" ||
    fail "magic is not 'Sndrl' at offset 0: $(tail -c +13 "$tmp/share/mime/magic" | od -c | head -3)"

# The extracted programs.
cli="$root/usr/bin/sundrel-cli"
[ "$("$cli" --version)" = "sundrel $version" ] || fail "sundrel-cli --version: $("$cli" --version)"
gui_version=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/sundrel" --version) || true
[ "$gui_version" = "sundrel $version" ] || fail "sundrel --version: $gui_version"
# One second of 8 kHz mono 16-bit silence.
wav="$tmp/second.wav"
{
    printf 'RIFF\x44\x3e\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x40\x1f\x00\x00'
    printf '\x80\x3e\x00\x00\x02\x00\x10\x00data\x80\x3e\x00\x00'
    head -c 16000 /dev/zero
} >"$wav"
info=$("$cli" info "$wav") || fail "sundrel-cli info exited with $?"
grep -q 'format: *PCM 16-bit mono 8000 Hz' <<<"$info" || fail "info format: $info"
grep -q 'duration: *0:00:01.000' <<<"$info" || fail "info duration: $info"

# The manual page and the completion name every option each subcommand's --help lists.
man_text=$(zcat "$root/usr/share/man/man1/sundrel-cli.1.gz" | sed 's/\\-/-/g')
completion=$(cat "$root/usr/share/bash-completion/completions/sundrel-cli")
subcommands=$("$cli" --help | awk '/^Subcommands:/ { on = 1; next } on && NF { print $1 }')
[ -n "$subcommands" ] || fail "sundrel-cli --help lists no subcommands"
for sub in $subcommands; do
    grep -qE "^\.B[IR]? $sub( |$)" <<<"$man_text" || fail "the manual page lacks the command $sub"
    grep -qw -- "$sub" <<<"$completion" || fail "the completion lacks the command $sub"
    for option in $("$cli" "$sub" --help | grep -oE -- '(^|[ ,])--[a-z][a-z-]*' | tr -d ' ,'); do
        grep -q -- "$option" <<<"$man_text" || fail "the manual page lacks $sub $option"
        grep -q -- "$option" <<<"$completion" || fail "the completion lacks $sub $option"
    done
done

# The changelog's newest entry is this version.
top=$(zcat "$root/usr/share/doc/sundrel/changelog.gz" | head -n 1)
[[ $top == "sundrel ($version) "* ]] || fail "changelog starts '$top'"

# The manual pages render without a warning.
for page in "$root"/usr/share/man/man1/*.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l -Tutf8 "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

# The completion offers the subcommands and each one's options.
if [ -f /usr/share/bash-completion/bash_completion ]; then
    complete_words() {
        bash -c 'source /usr/share/bash-completion/bash_completion
                 source "$1"; shift
                 COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
                 COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
                 _sundrel_cli sundrel-cli "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"
                 printf "%s\n" "${COMPREPLY[@]}"' _ \
            "$root/usr/share/bash-completion/completions/sundrel-cli" "$@" | sort | tr '\n' ' '
    }
    [ "$(complete_words sundrel-cli s)" = "split suggest " ] ||
        fail "completion of 's': $(complete_words sundrel-cli s)"
    [ "$(complete_words sundrel-cli split --s)" = "--shift --snap --strict --suggested --sync " ] ||
        fail "completion of 'split --s': $(complete_words sundrel-cli split --s)"
    [ "$(complete_words sundrel-cli suggest --)" = "--help --json --min-track --strict --tracklist --tracks " ] ||
        fail "completion of 'suggest --': $(complete_words sundrel-cli suggest --)"
else
    echo "bash-completion is not installed: the completion is not tried"
fi

# lintian: errors fail the test; warnings are shown.
if command -v lintian >/dev/null; then
    lintian --tag-display-limit 0 "$deb" >"$tmp/lintian.log" 2>&1 || true
    cat "$tmp/lintian.log"
    grep -q '^E: ' "$tmp/lintian.log" && fail "lintian reports errors"
else
    fail "lintian is not installed (scripts/setup installs it)"
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "package $(basename "$deb"): all checks passed"
