#!/usr/bin/env bash
# The NFC-e runs' invariant checker (nfce_check.sh) on folders made by hand:
# the state a good run leaves passes, and each fault it exists to catch is
# caught with its own words. Exit status 0 passed, 1 failed, 77 skipped (no
# xmllint).
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
command -v xmllint >/dev/null || { echo "nfce_check_test: xmllint is not installed; skipped"; exit 77; }
source "$here/nfce_check.sh"
root="$(mktemp -d "${TMPDIR:-/tmp}/quiterval-nfce-check.XXXXXX")"
trap 'rm -rf "$root"' EXIT
fail() {
    echo "$*" >&2
    exit 1
}
step() { :; }

# key NUMBER [TPEMIS]: an access key of the shop's series 1 with that nNF.
key() { printf '3526121234567800019565001%09d%s%08d0' "$1" "${2:-1}" "$1"; }
# journal LINE...: steps of numbers ("1 autorizada KEY").
journal() {
    local number state key
    for line in "$@"; do
        read -r number state key <<<"$line"
        printf '%09d %s %s\n' "$number" "$state" "$key" >>"$nfce_dir/numeracao/serie-001.txt"
    done
}
# note KEY AMOUNT: the signed note as the tree keeps it.
note() {
    printf '<NFe xmlns="http://www.portalfiscal.inf.br/nfe"><infNFe><total><ICMSTot><vNF>%s</vNF></ICMSTot></total></infNFe></NFe>\n' \
        "$2" >"$nfce_dir/xml/2026/12/08/$1-nfe.xml"
}
queued() { note "$1" "$2" && mv "$nfce_dir/xml/2026/12/08/$1-nfe.xml" "$nfce_dir/contingencia/1765000000-$1.xml"; }
# sefaz KEY: the stand-in authorised it.
sefaz() { printf 'N|%s|2|135260000000001|2026-12-08T10:00:00-03:00|ZGlnZXN0|1765000000\n' "$1" \
    >>"$training/sefaz/autorizadas.txt"; }
drop_queue() { rm -f "$nfce_dir"/contingencia/*.xml; }

# The state of a good run: 1 rejected then reused and authorised, 2 issued
# in contingency and authorised later, 3 still queued.
good() {
    journal "1 reservada -" "1 enviada $(key 1)" "1 rejeitada $(key 1)" "1 reservada -" \
        "1 enviada $(key 1)" "1 autorizada $(key 1)" "2 contingencia $(key 2 9)" "2 autorizada $(key 2 9)" \
        "3 contingencia $(key 3 9)"
    note "$(key 1)" 12.00
    note "$(key 2 9)" 13.00
    queued "$(key 3 9)" 14.00
    sefaz "$(key 1)"
    sefaz "$(key 2 9)"
}

# Each case: a name, what it does over the good state, the failure's words
# (empty: it passes).
cases=(
    "good state|:|"
    "a number skipped|journal '5 autorizada $(key 5)'; sefaz $(key 5); note $(key 5) 15.00|number 4, below the highest 5, has no journal record"
    "one number under two keys at the state|sefaz $(key 1 9)|the stand-in authorised number 1 twice"
    "a number reused while the state holds it|journal '4 autorizada $(key 4)'; sefaz $(key 4 9); note $(key 4) 15.00|the journal's key"
    "a number free yet authorised|journal '4 rejeitada $(key 4)'; sefaz $(key 4)|number 4 is free in the journal, yet the stand-in authorised it"
    "a note left sent|journal '4 enviada $(key 4)'|number 4 was left \"enviada\""
    "a sale lost|:|the sale of 16.00 is in 0 notes"
    "a sale issued twice|journal '4 autorizada $(key 4)'; sefaz $(key 4); note $(key 4) 12.00|the sale of 12.00 is in 2 notes"
    "a note no sale made|journal '4 autorizada $(key 4)'; sefaz $(key 4); note $(key 4) 99.00|a note of 99.00 that no sale made"
    "contingency without its queued note|drop_queue|number 3 is in contingency without a queued note"
)

failures=0
n=0
for entry in "${cases[@]}"; do
    IFS='|' read -r name change words <<<"$entry"
    n=$((n + 1))
    nfce_dir="$root/$n/nfce"
    training="$root/$n/treino"
    mkdir -p "$nfce_dir/numeracao" "$nfce_dir/xml/2026/12/08" "$nfce_dir/contingencia" "$training/sefaz"
    good
    eval "$change"
    issued="12.00 13.00 14.00"
    [ "$name" = "a sale lost" ] && issued+=" 16.00"
    out="$( (nfce_check_invariants "$issued" "15.00") 2>&1)"
    status=$?
    if [ -z "$words" ] && [ "$status" -ne 0 ]; then
        echo "FAILED: $name: refused: $out" >&2
        failures=$((failures + 1))
    elif [ -n "$words" ] && { [ "$status" -eq 0 ] || [[ "$out" != *"$words"* ]]; }; then
        echo "FAILED: $name: expected \"$words\", got status $status: $out" >&2
        failures=$((failures + 1))
    else
        echo "ok: $name"
    fi
done
[ "$failures" -eq 0 ]
