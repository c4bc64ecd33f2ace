# The NFC-e runs' checks of what the till and the stand-in SEFAZ keep, for
# e2e.sh (sourced; `fail` ends the run). Everything is read from the files:
#
#   $nfce_dir/numeracao/serie-001.txt  the till's journal of numbers
#   $nfce_dir/xml/AAAA/MM/DD/          every XML the till wrote
#   $nfce_dir/contingencia/            the notes waiting to be sent
#   $training/sefaz/autorizadas.txt    the stand-in's authorised notes
#                                      (N|key|...) and cancellations (C|key|...)
#
# nfce_dir, training, schemas (the schema package's folder) and fail() are
# the caller's.

nfce_journal() { printf '%s' "$nfce_dir/numeracao/serie-001.txt"; }

# The journal's last step of NUMBER: "autorizada", "rejeitada"...; empty
# when the number has no record.
nfce_state() {
    awk -v n="$(printf '%09d' "$1")" '$1 == n { state = $2 } END { print state }' \
        "$(nfce_journal)" 2>/dev/null
}
# The key of the journal's last step of NUMBER ("-" for none).
nfce_key() {
    awk -v n="$(printf '%09d' "$1")" '$1 == n { key = $3 } END { print key }' \
        "$(nfce_journal)" 2>/dev/null
}

# nfce_expect_state NUMBER STATE: the journal's last word on NUMBER.
nfce_expect_state() {
    local got
    got="$(nfce_state "$1")"
    [ "$got" = "$2" ] || fail "number $1 is \"$got\" in the journal, not \"$2\""
}

# The stand-in's authorised keys, one a line, in the order it authorised them.
sefaz_keys() { awk -F'|' '$1 == "N" { print $2 }' "$training/sefaz/autorizadas.txt" 2>/dev/null; }
sefaz_cancelled() { awk -F'|' '$1 == "C" { print $2 }' "$training/sefaz/autorizadas.txt" 2>/dev/null; }
# The note's number (nNF) in its access key.
key_number() { echo $((10#${1:25:9})); }

queue_size() { find "$nfce_dir/contingencia" -name '*.xml' 2>/dev/null | wc -l; }

# The XML file of the tree whose name is KEY followed by SUFFIX.
xml_of() { find "$nfce_dir/xml" -name "$1$2" 2>/dev/null | head -n 1; }

# xml_text FILE ELEMENT: the text of the first ELEMENT, whatever its namespace.
xml_text() { xmllint --xpath "string((//*[local-name()='$2'])[1])" "$1" 2>/dev/null; }

# Every XML the till wrote (the tree and the queue) is valid against its
# schema, and every signed note and cancellation verifies with xmlsec1
# trusting the tests' authority; at least MIN documents checked.
nfce_check_xml() {
    local min="$1" file name xsd checked=0 signed
    command -v xmllint >/dev/null || fail "xmllint is not installed (scripts/test installs it)"
    command -v xmlsec1 >/dev/null || fail "xmlsec1 is not installed (scripts/test installs it)"
    while IFS= read -r file; do
        name="$(basename "$file")"
        signed=""
        case "$name" in
            *-procNFe.xml) xsd=procNFe_v4.00.xsd signed=infNFe ;;
            *-nfe.xml) xsd=nfe_v4.00.xsd signed=infNFe ;;
            *-cancelamento-retorno.xml) xsd=retEnvEventoCancNFe_v1.00.xsd ;;
            *-retorno.xml) xsd=retEnviNFe_v4.00.xsd ;;
            *-consulta.xml) xsd=retConsSitNFe_v4.00.xsd ;;
            *-cancelamento.xml) xsd=envEventoCancNFe_v1.00.xsd signed=infEvento ;;
            *)
                [ "$(basename "$(dirname "$file")")" = contingencia ] || fail "unknown XML kept: $file"
                xsd=nfe_v4.00.xsd signed=infNFe
                ;;
        esac
        xmllint --noout --nonet --schema "$schemas/$xsd" "$file" >"$scratch/xmllint.out" 2>&1 ||
            fail "$name is not valid against $xsd: $(head -c 600 "$scratch/xmllint.out")"
        if [ -n "$signed" ]; then
            xmlsec1 --verify --id-attr:Id "$signed" --trusted-pem "$training/pki/ca.pem" "$file" \
                >"$scratch/xmlsec1.out" 2>&1 ||
                fail "the signature of $name does not verify: $(head -c 600 "$scratch/xmlsec1.out")"
        fi
        checked=$((checked + 1))
    done < <(find "$nfce_dir/xml" "$nfce_dir/contingencia" -name '*.xml' 2>/dev/null | sort)
    [ "$checked" -ge "$min" ] || fail "only $checked XML documents kept, expected at least $min"
    step "$checked XML documents valid against the schemas, their signatures verified"
}

# The amount (vNF, "12.00") of the authorised note of NUMBER: from the
# nfeProc of the journal's key, else from the note the stand-in holds.
authorised_amount() {
    local key file
    key="$(nfce_key "$1")"
    file="$(xml_of "$key" -procNFe.xml)"
    [ -n "$file" ] || file="$(xml_of "$key" -nfe.xml)"
    [ -n "$file" ] && xml_text "$file" vNF
}

# nfce_check_invariants "ISSUED..." "MAYBE...": what the fault runs must
# leave, whatever was killed when.
#  - every sale in ISSUED (its total, "12.00") is an authorised or queued
#    note, once; a sale in MAYBE (cut off before its note left) is one at
#    most; no other note exists;
#  - the stand-in holds each number under one key only, and the till's
#    journal names that same key as authorised (or cancelled): no number
#    was used twice with different contents;
#  - every number up to the highest has a journal record, and none is left
#    "enviada" or "reservada" after the last coupon.
nfce_check_invariants() {
    local issued=($1) maybe=($2) key n highest=0 state amount totals=() t count file
    declare -A sefaz_key=()
    while IFS= read -r key; do
        n=$(key_number "$key")
        [ -z "${sefaz_key[$n]:-}" ] || fail "the stand-in authorised number $n twice: ${sefaz_key[$n]} and $key"
        sefaz_key[$n]="$key"
    done < <(sefaz_keys)
    highest=$(awk '{ n = $1 + 0; if (n > max) max = n } END { print max + 0 }' "$(nfce_journal)")
    [ "$highest" -gt 0 ] || fail "the journal has no number"
    for n in $(seq 1 "$highest"); do
        state="$(nfce_state "$n")"
        case "$state" in
            autorizada | cancelada)
                [ "${sefaz_key[$n]:-}" = "$(nfce_key "$n")" ] ||
                    fail "number $n: the journal's key $(nfce_key "$n") is not the stand-in's ${sefaz_key[$n]:-(none)}"
                amount="$(authorised_amount "$n")"
                [ -n "$amount" ] || fail "number $n: no note kept for the key $(nfce_key "$n")"
                totals+=("$amount")
                ;;
            contingencia)
                [ -z "${sefaz_key[$n]:-}" ] || fail "number $n is queued, yet the stand-in authorised it"
                key="$(nfce_key "$n")"
                file="$(find "$nfce_dir/contingencia" -name "*-$key.xml" | head -n 1)"
                [ -n "$file" ] || fail "number $n is in contingency without a queued note"
                totals+=("$(xml_text "$file" vNF)")
                ;;
            rejeitada)
                [ -z "${sefaz_key[$n]:-}" ] || fail "number $n is free in the journal, yet the stand-in authorised it"
                ;;
            "") fail "number $n, below the highest $highest, has no journal record" ;;
            *) fail "number $n was left \"$state\" after the last coupon" ;;
        esac
    done
    for n in "${!sefaz_key[@]}"; do
        [ "$n" -le "$highest" ] || fail "the stand-in authorised number $n, above the journal's highest"
    done
    for t in "${issued[@]}"; do
        count=$(printf '%s\n' "${totals[@]}" | grep -cx "$t")
        [ "$count" -eq 1 ] || fail "the sale of $t is in $count notes, not one"
    done
    for t in "${maybe[@]}"; do
        count=$(printf '%s\n' "${totals[@]}" | grep -cx "$t")
        [ "$count" -le 1 ] || fail "the sale of $t is in $count notes"
    done
    for t in "${totals[@]}"; do
        printf '%s\n' "${issued[@]}" "${maybe[@]}" | grep -qx "$t" || fail "a note of $t that no sale made"
    done
    step "invariants hold: ${#totals[@]} notes for the sales, numbers 1..$highest recorded, none doubled"
}
