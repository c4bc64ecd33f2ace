# The NFC-e's training and test set, on this machine alone: the tests' own
# certificates (a test authority, the loopback's server certificate and the
# shop's A1), the stand-in SEFAZ on the loopback, and an nfce.conf of
# homologação that points every service at it. Sourced, not run.
#
#   nfce_training_start FOLDER BIN_DIR [CONTINGENCY_SECONDS]
#       makes FOLDER/pki (once), starts the stand-in with its records in
#       FOLDER/sefaz and its control file FOLDER/controle.txt, and writes
#       FOLDER/nfce.conf. Sets NFCE_SEFAZ_PID and NFCE_SEFAZ_PORT.
#   nfce_training_stop
#       ends the stand-in.

NFCE_TRAINING_CNPJ=12345678000195

nfce_training_start() {
    local folder="$1" bin_dir="$2" contingency="${3:-5}"
    local root
    root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
    mkdir -p "$folder/sefaz"
    folder="$(cd "$folder" && pwd)"
    # The certificates last a year from their making: made again when gone
    # or older than eleven months.
    if [ ! -f "$folder/pki/a1.pfx" ] || [ -n "$(find "$folder/pki/a1.pfx" -mtime +330 2>/dev/null)" ]; then
        bash "$root/tests/support/test_pki.sh" "$folder/pki" "$NFCE_TRAINING_CNPJ" >"$folder/pki.log" 2>&1 ||
            { echo "nfce: os certificados de teste não foram feitos (veja $folder/pki.log)" >&2; return 1; }
    fi
    : >>"$folder/controle.txt"
    rm -f "$folder/sefaz.port"
    "$bin_dir/quiterval-sefaz-simulada" --ca "$folder/pki/ca.pem" --cert "$folder/pki/server.pem" \
        --key "$folder/pki/server.key" --pasta "$folder/sefaz" --controle "$folder/controle.txt" \
        >"$folder/sefaz.port" 2>>"$folder/sefaz.log" &
    NFCE_SEFAZ_PID=$!
    local i
    for i in $(seq 100); do
        NFCE_SEFAZ_PORT="$(head -n 1 "$folder/sefaz.port" 2>/dev/null)"
        [ -n "$NFCE_SEFAZ_PORT" ] && break
        kill -0 "$NFCE_SEFAZ_PID" 2>/dev/null || break
        sleep 0.1
    done
    if [ -z "$NFCE_SEFAZ_PORT" ]; then
        echo "nfce: a SEFAZ simulada não começou (veja $folder/sefaz.log)" >&2
        return 1
    fi
    local base="https://127.0.0.1:$NFCE_SEFAZ_PORT/ws"
    {
        sed -e "s|^CNPJ=.*|CNPJ=$NFCE_TRAINING_CNPJ|" \
            -e "s|^certificado=.*|certificado=$folder/pki/a1.pfx|" \
            -e "s|^senha_certificado=.*|senha_certificado=$folder/pki/senha.txt|" \
            -e "s|^contingencia_segundos=.*|contingencia_segundos=$contingency|" \
            -e "s|^ambiente=.*|ambiente=homologacao|" \
            -e "s|^impressora=.*|impressora=simulada|" \
            -e "s|^#autoridades=.*|autoridades=$folder/pki/ca.pem|" \
            "$root/nfce/nfce.conf"
        echo "# The stand-in SEFAZ of this training set."
        local service
        for service in NFeAutorizacao4 NFeRetAutorizacao4 NFeConsultaProtocolo4 NFeStatusServico4 \
            NFeRecepcaoEvento4 NFeInutilizacao4; do
            echo "url.$service=$base/$service.asmx"
        done
    } >"$folder/nfce.conf"
}

nfce_training_stop() {
    [ -n "${NFCE_SEFAZ_PID:-}" ] || return 0
    kill -TERM "$NFCE_SEFAZ_PID" 2>/dev/null
    wait "$NFCE_SEFAZ_PID" 2>/dev/null
    NFCE_SEFAZ_PID=""
}
