#!/usr/bin/env bash
# scripts/release into a scratch folder, once unsigned and once signed with a throwaway
# self-signed certificate: the zip holds exactly the shipped files, both images are what
# check_image.sh expects of their kind, stripped, of the release's version; the guide covers the
# sequence and every exit code in CRLF lines; the sums and the signatures verify; a second run
# gives the same bytes.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
check() {  # check WHAT COMMAND...: the command's output is shown when it fails
    local what=$1 output
    shift
    if output=$("$@" 2>&1); then echo "ok: $what"; else echo "FAIL: $what"; echo "$output"; failures=$((failures + 1)); fi
}
release() {  # release FOLDER [VARIABLE=VALUE...]: the zip's path, its contents unpacked in FOLDER
    local folder=$scratch/$1 zip
    shift
    zip=$(env "$@" MOVENDO_DIST="$folder" "$root/scripts/release" 2>"$folder.log" | tail -n 1) &&
        unzip -q "$zip" -d "$folder/unpacked" && echo "$zip"
}

zip=$(release plain) || { cat "$scratch/plain.log"; echo "FAIL: the release"; exit 1; }
name=$(basename "$zip" .zip)
version=${name#Movendo-}
files=$scratch/plain/unpacked/$name
check "the release says it is unsigned" grep -q '^release: unsigned' "$scratch/plain.log"
check "the zip holds the two programs, the guide and the sums" test "$(unzip -Z1 "$zip" | sort | tr '\n' ' ')" = \
    "$name/Guide.txt $name/Movendo.exe $name/MovendoCheck.exe $name/SHA256SUMS "
check "the debug archive beside it holds both programs' debug information" \
    test "$(unzip -Z1 "${zip%.zip}-debug.zip" | tr '\n' ' ')" = "$name-debug/Movendo.exe.debug $name-debug/MovendoCheck.exe.debug "
for image in "Movendo.exe gui requireAdministrator" "MovendoCheck.exe console asInvoker"; do
    read -r exe subsystem level <<<"$image"
    check "$exe: $subsystem image (check_image.sh)" bash "$root/tests/wine/check_image.sh" "$files/$exe" "$subsystem" "$level"
    check "$exe: no debug sections" test -z "$(i686-w64-mingw32-objdump -h "$files/$exe" | grep -E '\.(debug|zdebug)_')"
    versions=$(strings -el "$files/$exe" | grep -A1 -x '\(File\|Product\)Version' | tr '\n' ' ')
    check "$exe: FileVersion and ProductVersion $version.0" test "$versions" = "FileVersion $version.0 -- ProductVersion $version.0 "
done
guide=$(tr -d '\r' <"$files/Guide.txt")
check "the guide has CRLF line ends only" test "$(grep -c $'\r$' "$files/Guide.txt")" = "$(wc -l <"$files/Guide.txt")"
check "the guide names the version" grep -q "^Movendo $version" <<<"$guide"
number=0
for step in 'Movendo.exe /get' 'MovendoCheck /verify' 'wipe drive C:, reinstall Windows and the suite' \
    'MovendoCheck /preview /json > D:\plan.json' 'Movendo.exe /set' 'MovendoCheck /confirm D:\plan.json'; do
    check "the guide's sequence: $step" grep -qxF "$((++number)). $step" <<<"$guide"
done
for code in 0 1 2 3 4; do
    check "the guide explains exit code $code and what to do next" grep -A4 "^$code  " <<<"$guide" | grep -q '^   Next: '
done
check "SHA256SUMS verifies" bash -c "cd '$files' && sha256sum --quiet -c SHA256SUMS"
again=$(release again) && check "a second run gives the same zip" cmp -s "$zip" "$again"

openssl req -x509 -newkey rsa:2048 -nodes -subj "/CN=Movendo release test" -days 2 -keyout "$scratch/key.pem" \
    -out "$scratch/cert.pem" 2>/dev/null &&
    openssl pkcs12 -export -inkey "$scratch/key.pem" -in "$scratch/cert.pem" -passout pass:throwaway -out "$scratch/test.pfx"
signed=$(release signed MOVENDO_SIGN_PFX="$scratch/test.pfx" MOVENDO_SIGN_PASSWORD=throwaway) || cat "$scratch/signed.log"
files=$scratch/signed/unpacked/$name
for exe in Movendo.exe MovendoCheck.exe; do
    check "$exe: the signature verifies" osslsigncode verify -CAfile "$scratch/cert.pem" -in "$files/$exe"
done
check "SHA256SUMS of the signed programs verifies" bash -c "cd '$files' && sha256sum --quiet -c SHA256SUMS"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
