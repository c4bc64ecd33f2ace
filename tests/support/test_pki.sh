#!/usr/bin/env bash
# Makes the tests' own certificates: a test authority, a server certificate
# for the loopback (the stand-in tax authority), and the shop's A1
# certificates as the ICP-Brasil profile carries them (the CNPJ in the
# subject alternative name's otherName 2.16.76.1.3.3, and after the name in
# the common name), in PKCS#12 files of today's algorithms and of the old
# (legacy) ones, with a certificate that has expired, one not yet valid and
# one of another CNPJ.
#
#   test_pki.sh FOLDER [CNPJ]
#
# FOLDER gets:
#   ca.pem ca.key                  the test authority
#   server.pem server.key          CN localhost, SAN DNS:localhost, IP:127.0.0.1
#   a1.pfx a1-legacy.pfx           the shop's certificate (password in senha.txt)
#   a1.pem a1.key                  the same, as PEM
#   a1-expirado.pfx                expired yesterday
#   a1-futuro.pfx                  valid from tomorrow
#   a1-outro-cnpj.pfx              of CNPJ 11222333000181
#   senha.txt                      the PKCS#12 password (mode 600)
# Every file is made anew; the folder is made if missing. Needs openssl 3.
set -euo pipefail

folder="${1:?folder}"
cnpj="${2:-12345678000195}"
mkdir -p "$folder"
cd "$folder"
umask 077
password="quiterval-teste"
printf '%s' "$password" >senha.txt

config() { # CNPJ -> an openssl configuration for an A1 request
    cat <<CONF
[req]
distinguished_name = dn
prompt = no
[dn]
C = BR
O = ICP-Brasil
OU = Certificado PJ A1
CN = RESTAURANTE TESTE LTDA:$1
[a1]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment, nonRepudiation
extendedKeyUsage = clientAuth, emailProtection
subjectAltName = otherName:2.16.76.1.3.3;PRINTABLESTRING:$1
[server]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = DNS:localhost, IP:127.0.0.1
CONF
}

quiet() { "$@" >/dev/null 2>&1 || { echo "test_pki.sh: failed: $*" >&2; exit 1; }; }

quiet openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 3650 \
    -subj "/C=BR/O=Quiterval Testes/CN=Autoridade de Teste" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"

config "$cnpj" >a1.cnf
# issue NAME SECTION START END [CNPJ]: a key and a certificate signed by the
# test authority, valid from START to END (openssl's YYYYMMDDHHMMSSZ).
issue() {
    local name="$1" section="$2" start="$3" end="$4" owner="${5:-$cnpj}"
    config "$owner" >"$name.cnf"
    quiet openssl req -new -newkey rsa:2048 -nodes -keyout "$name.key" -out "$name.csr" \
        -config "$name.cnf"
    if [ "$section" = server ]; then
        quiet openssl req -new -key "$name.key" -out "$name.csr" -subj "/CN=localhost"
    fi
    # `openssl ca` takes any validity window, past or future.
    cat "$name.cnf" - >"$name.ca.cnf" <<CONF
[ca]
default_ca = test_ca
[test_ca]
database = $PWD/ca.db
new_certs_dir = $PWD/ca.issued
serial = $PWD/ca.serial
default_md = sha256
policy = anything
copy_extensions = none
[anything]
countryName = optional
organizationName = optional
organizationalUnitName = optional
commonName = supplied
CONF
    : >ca.db
    mkdir -p ca.issued
    [ -f ca.serial ] || openssl rand -hex 8 >ca.serial
    quiet openssl ca -batch -config "$name.ca.cnf" -cert ca.pem -keyfile ca.key -in "$name.csr" \
        -startdate "$start" -enddate "$end" -extensions "$section" -notext -out "$name.pem"
    rm -rf "$name.csr" "$name.cnf" "$name.ca.cnf" ca.issued ca.db* ca.serial.old
}
pfx() { # NAME OUT [legacy]
    quiet openssl pkcs12 -export ${3:+-legacy} -inkey "$1.key" -in "$1.pem" -certfile ca.pem \
        -passout "pass:$password" -out "$2"
}

now=$(date -u +%s)
stamp() { date -u -d "@$1" +%Y%m%d%H%M%SZ; }
rm -f ca.serial ca.db*
day=86400
issue server server "$(stamp $((now - day)))" "$(stamp $((now + 3650 * day)))"
issue a1 a1 "$(stamp $((now - day)))" "$(stamp $((now + 365 * day)))"
pfx a1 a1.pfx
pfx a1 a1-legacy.pfx legacy
issue expirado a1 "$(stamp $((now - 400 * day)))" "$(stamp $((now - day)))"
pfx expirado a1-expirado.pfx
issue futuro a1 "$(stamp $((now + day)))" "$(stamp $((now + 400 * day)))"
pfx futuro a1-futuro.pfx
issue outro a1 "$(stamp $((now - day)))" "$(stamp $((now + 365 * day)))" 11222333000181
pfx outro a1-outro-cnpj.pfx
rm -f a1.cnf expirado.* futuro.* outro.* ca.serial ca.db*
