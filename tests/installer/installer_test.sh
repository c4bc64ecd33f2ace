#!/usr/bin/env bash
# The Windows installer under Wine, in a fresh prefix of its own: builds the
# target "installer", installs silently (/S), checks the programs, the
# shortcuts (their working folder is the data folder), the entry in Windows'
# list of programs, starts the installed program in the data folder as the
# shortcuts do and sees it write there (the window its settings file
# Quiterval.TOR; without the window, quiterval-ecf the simulated printer's
# files), installs again over it (the printer choice stays), then
# uninstalls silently: programs, shortcuts and entry gone, data kept.
# usage: installer_test.sh BUILD CMAKE WINE MAKENSIS INSTALLER HAS_WINDOW BITS
set -uo pipefail

build="$1" cmake="$2" wine="$3" makensis="$4" installer="$5" has_window="$6" bits="$7"

if [ -z "$makensis" ] || [ ! -x "$makensis" ]; then
    echo "SKIP: makensis not installed (Debian's nsis package): no installer to test"
    exit 77
fi

failures=0
fail() {
    echo "FALHOU: $*" >&2
    failures=$((failures + 1))
}
die() {
    echo "FALHOU: $*" >&2
    exit 1
}

if ! "$cmake" --build "$build" --target installer >/dev/null 2>"${TMPDIR:-/tmp}/qv-installer-build.$$"; then
    cat "${TMPDIR:-/tmp}/qv-installer-build.$$" >&2
    rm -f "${TMPDIR:-/tmp}/qv-installer-build.$$"
    die "cmake --build --target installer"
fi
rm -f "${TMPDIR:-/tmp}/qv-installer-build.$$"
[ -f "$installer" ] || die "o alvo installer não fez $installer"

# A prefix of this test's own, with its own Wine server: the installation
# and the data it leaves behind touch nothing of the other tests. Wine makes
# no menu entries on the Linux desktop for the shortcuts.
scratch="$(mktemp -d "${TMPDIR:-/tmp}/quiterval-installer-XXXXXX")"
export WINEPREFIX="$scratch/prefixo" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset ECFSIM_DIR QUITERVAL_ECF_LIBRARY QUITERVAL_DRIVER_LOG WINESERVER
cleanup() {
    wineserver -k >/dev/null 2>&1
    rm -rf "$scratch"
}
trap cleanup EXIT
mkdir -p "$WINEPREFIX"
wineboot -i >/dev/null 2>&1 || die "wineboot -i"

# wine_text COMMAND...: the Windows program's output without carriage returns.
wine_text() { "$wine" "$@" 2>/dev/null | tr -d '\r'; }
unix_path() { winepath -u "$1" 2>/dev/null; }
# utf16_in FILE TEXT: the file holds TEXT as UTF-16LE (a .lnk's strings).
utf16_in() {
    local hex
    hex="$(printf '%s' "$2" | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 | tr -d ' \n')"
    od -An -tx1 -v "$1" | tr -d ' \n' | grep -q "$hex"
}
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quiterval'
# reg_value NAME: the value NAME of the uninstall entry, in the registry
# view of the installer's bitness.
reg_value() {
    wine_text reg query "$key" /v "$1" "/reg:$bits" |
        sed -n "s/^ *$1 *REG_[A-Z_]* *//p"
}

# --- silent install -----------------------------------------------------------
"$wine" "$installer" /S >/dev/null 2>&1 || fail "o instalador /S saiu com $?"
wineserver -w

location="$(reg_value InstallLocation)"
[ -n "$location" ] || die "sem entrada $key na lista de programas"
program=quiterval-ecf.exe
[ "$has_window" = 1 ] && program=quiterval.exe
uninstaller="$location\\desinstalar.exe"
declare -A expected=(
    [DisplayName]="Quiterval ($bits bits)"
    [DisplayVersion]="14.4.1"
    [Publisher]="Quiterval"
    [UninstallString]="\"$uninstaller\""
    [QuietUninstallString]="\"$uninstaller\" /S"
    [NoModify]="0x1"
    [NoRepair]="0x1"
)
[ "$has_window" = 1 ] && expected[DisplayIcon]="$location\\quiterval.exe"
for name in "${!expected[@]}"; do
    value="$(reg_value "$name")"
    [ "$value" = "${expected[$name]}" ] || fail "$name: '$value', esperado '${expected[$name]}'"
done
if [ "$bits" = 32 ]; then
    [[ "$location" == *"Program Files (x86)\\Quiterval" ]] || fail "pasta de 32 bits: $location"
else
    [[ "$location" == *"Program Files\\Quiterval" ]] || fail "pasta de 64 bits: $location"
fi

instdir="$(unix_path "$location")"
[ -d "$instdir" ] || die "a pasta instalada $location ($instdir) não existe"
programs=(quiterval-ecf.exe torlib.exe torlib.dll quiterval-shared.dll quiterval-ecfsim.dll)
[ "$has_window" = 1 ] && programs+=(quiterval.exe)
for f in "${programs[@]}" desinstalar.exe impressora.conf README.md docs/tecnico.md; do
    [ -f "$instdir/$f" ] || fail "falta $location\\$f"
done
grep -qx 'biblioteca=simulada' "$instdir/impressora.conf" || fail "impressora.conf não escolhe a simulada"

programdata="$(wine_text cmd /c echo %ProgramData%)"
public="$(wine_text cmd /c echo %PUBLIC%)"
data="$programdata\\Quiterval"
datadir="$(unix_path "$data")"
[ -d "$datadir" ] || die "a pasta de dados $data não foi criada"
[ -d "$(unix_path 'C:\Tornei\Temp')" ] || fail "a pasta do log C:\\Tornei\\Temp não foi criada"
start_menu="$(unix_path "$programdata\\Microsoft\\Windows\\Start Menu\\Programs\\Quiterval.lnk")"
desktop="$(unix_path "$public\\Desktop\\Quiterval.lnk")"
for lnk in "$start_menu" "$desktop"; do
    if [ -f "$lnk" ]; then
        utf16_in "$lnk" "$data" || fail "$lnk não começa na pasta de dados $data"
        utf16_in "$lnk" "$location\\$program" || fail "$lnk não abre $location\\$program"
    else
        fail "falta o atalho $lnk"
    fi
done

# --- the installed program, started in the data folder as the shortcuts do ---
if [ "$has_window" = 1 ]; then
    [ -n "${DISPLAY:-}" ] || die "a janela precisa de um DISPLAY X (scripts/test --windows o dá)"
    (cd "$datadir" && exec "$wine" "$location\\quiterval.exe" >"$scratch/janela.txt" 2>&1) &
    pid=$!
    for _ in $(seq 1 600); do
        [ -f "$datadir/Quiterval.TOR" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if [ -f "$datadir/Quiterval.TOR" ]; then
        sleep 0.5 # the file is replaced whole; give the write its moment
        [ "$(stat -c %s "$datadir/Quiterval.TOR")" -eq 1061 ] || fail "Quiterval.TOR com tamanho errado"
    else
        fail "o programa instalado não escreveu Quiterval.TOR em $data: $(cat "$scratch/janela.txt")"
    fi
    wineserver -k >/dev/null 2>&1
    wait "$pid" 2>/dev/null
    written="Quiterval.TOR"
else
    out="$(cd "$datadir" && "$wine" "$location\\quiterval-ecf.exe" leiturax 2>&1)" ||
        fail "quiterval-ecf leiturax saiu com $?: $out"
    grep -q "LEITURA X" "$datadir/ecf-simulado/bobina.txt" 2>/dev/null ||
        fail "a leitura X não chegou a $data\\ecf-simulado: $out"
    written="ecf-simulado"
fi
[ ! -e "$instdir/Quiterval.TOR" ] && [ ! -e "$instdir/ecf-simulado" ] ||
    fail "o programa escreveu na pasta dos programas"
# The driver log's folder, as a printer error would leave it.
printf 'registro\n' >"$(unix_path 'C:\Tornei\Temp')/DARUMA.txt"

# --- installed again over it: the technician's printer choice stays --------
printf 'biblioteca=C:\\Fabricante\\impressora.dll\n' >"$instdir/impressora.conf"
"$wine" "$installer" /S >/dev/null 2>&1 || fail "o instalador /S por cima saiu com $?"
wineserver -w
grep -qx 'biblioteca=C:\\Fabricante\\impressora.dll' "$instdir/impressora.conf" ||
    fail "a reinstalação trocou a escolha da impressora: $(cat "$instdir/impressora.conf")"

# --- silent uninstall ---------------------------------------------------------
"$wine" "$uninstaller" /S >/dev/null 2>&1 || fail "o desinstalador /S saiu com $?"
wineserver -w # it runs on from a copy of itself in the temporary folder
for f in "${programs[@]}" desinstalar.exe README.md docs/tecnico.md; do
    [ ! -e "$instdir/$f" ] || fail "a desinstalação deixou $f"
done
[ ! -e "$start_menu" ] || fail "a desinstalação deixou o atalho do menu Iniciar"
[ ! -e "$desktop" ] || fail "a desinstalação deixou o atalho da área de trabalho"
if wine_text reg query "$key" "/reg:$bits" | grep -q DisplayName; then
    fail "a desinstalação deixou a entrada na lista de programas"
fi
[ -e "$datadir/$written" ] || fail "a desinstalação apagou $data\\$written"
[ -f "$(unix_path 'C:\Tornei\Temp')/DARUMA.txt" ] || fail "a desinstalação apagou o log"
[ -f "$instdir/impressora.conf" ] || fail "a desinstalação apagou a escolha da impressora"

if [ "$failures" -ne 0 ]; then
    echo "$failures falha(s)" >&2
    exit 1
fi
echo "instalador de $bits bits conferido: $(basename "$installer")"
