#!/usr/bin/env bash
# Installs the build into a scratch prefix (cmake --install) and into a
# scratch root from the Debian package (cpack -G DEB, dpkg-deb -x), then runs
# what was installed, from there:
#   torlib documento, quiterval-ecf leiturax on the installed simulator,
#   quiterval --version / --help and a start on the offscreen platform,
#   a C program compiled against the installed torlib.h and libtorlib.so,
#   the printer choice in etc/quiterval/impressora.conf (a conffile in the
#   package) as quiterval-ecf reads it.
# usage: install_test.sh BUILD CMAKE CPACK CC CLIENT_C LIBDIR HAS_PROGRAM [CFLAGS]
set -uo pipefail

build="$1" cmake="$2" cpack="$3" cc="$4" client_c="$5" libdir="$6" has_program="$7"
extra_cflags="${8:-}"

scratch="$(mktemp -d "${TMPDIR:-/tmp}/quiterval-install-XXXXXX")"
started=()
cleanup() {
    local pid
    for pid in "${started[@]}"; do kill "$pid" 2>/dev/null; done
    rm -rf "$scratch"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FALHOU: $*" >&2
    failures=$((failures + 1))
}
# expect_file ROOT PATH...: each must exist under ROOT.
expect_file() {
    local root="$1" f
    shift
    for f in "$@"; do
        [ -e "$root/$f" ] || fail "$root: falta $f"
    done
}

# --- cmake --install --------------------------------------------------------
prefix="$scratch/prefix"
if ! "$cmake" --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1; then
    cat "$scratch/install.log" >&2
    fail "cmake --install"
    exit 1
fi

# --- cpack -G DEB, unpacked with dpkg-deb -x --------------------------------
if ! (cd "$scratch" && "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/pacote") \
    >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log" >&2
    fail "cpack -G DEB"
    exit 1
fi
deb="$(ls "$scratch"/pacote/quiterval_*.deb 2>/dev/null | head -n1)"
if [ -z "$deb" ]; then
    cat "$scratch/cpack.log" >&2
    fail "cpack não produziu quiterval_*.deb"
    exit 1
fi
[ "$(dpkg-deb -f "$deb" Package)" = quiterval ] || fail "nome do pacote: $(dpkg-deb -f "$deb" Package)"
[ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "pacote sem Maintainer"
depends="$(dpkg-deb -f "$deb" Depends)"
case "$depends" in
    *libc6*) ;;
    *) fail "dependências não calculadas: '$depends'" ;;
esac
if [ "$has_program" = 1 ]; then
    case "$depends" in
        *libqt6widgets6*) ;;
        *) fail "o pacote não depende do Qt Widgets: '$depends'" ;;
    esac
fi
case "$depends" in
    *quiterval*) fail "o pacote depende de si mesmo: '$depends'" ;;
esac
conffiles="$(dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles 2>/dev/null)"
[ "$conffiles" = /etc/quiterval/impressora.conf ] ||
    fail "o pacote não marca /etc/quiterval/impressora.conf como conffile: '$conffiles'"
debroot="$scratch/raiz"
dpkg-deb -x "$deb" "$debroot" || fail "dpkg-deb -x"

# --- each installed tree ------------------------------------------------------
check_tree() {
    local root="$1" what="$2"
    echo "== $what: $root"
    local files=(
        bin/torlib bin/quiterval-ecf
        "$libdir/libtorlib.so" "$libdir/libtorlib.so.1"
        "$libdir/libquiterval-shared.so" "$libdir/libquiterval-shared.so.1"
        lib/quiterval/libquiterval-ecfsim.so
        include/quiterval/torlib/torlib.h include/quiterval/shared/shared_record.h
        share/doc/quiterval/nfce.conf
    )
    if [ "$has_program" = 1 ]; then
        files+=(bin/quiterval share/applications/quiterval.desktop
            share/icons/hicolor/16x16/apps/quiterval.png
            share/icons/hicolor/32x32/apps/quiterval.png)
    fi
    expect_file "$root" "${files[@]}"
    if [ "$has_program" = 1 ]; then
        # The menu entry starts the installed program and shows the installed icon.
        local entry="$root/share/applications/quiterval.desktop"
        grep -qx 'Exec=quiterval' "$entry" && grep -qx 'Icon=quiterval' "$entry" &&
            grep -qx 'Type=Application' "$entry" ||
            fail "$what: quiterval.desktop não aponta para o programa e o ícone instalados"
    fi

    # Nothing installed may point back into the build tree.
    local elf
    for elf in "$root"/bin/* "$root/$libdir"/lib*.so.* "$root"/lib/quiterval/*.so; do
        [ -f "$elf" ] || continue
        if readelf -d "$elf" | grep -E 'R(UN)?PATH' | grep -qF "$build"; then
            fail "$elf procura bibliotecas na pasta de compilação"
        fi
    done

    # A clean environment: no build folder on any search path.
    local env_clean=(env -u LD_LIBRARY_PATH -u QUITERVAL_ECF_LIBRARY -u ECFSIM_FALHAS
        -u ECFSIM_NOW HOME="$scratch/home" XDG_STATE_HOME="$scratch/state")
    mkdir -p "$scratch/home"

    local out status
    out="$("${env_clean[@]}" timeout 30 "$root/bin/torlib" documento 12345678909 2>&1)"
    status=$?
    [ "$status" -eq 0 ] || fail "$what: torlib documento 12345678909 saiu com $status: $out"
    out="$("${env_clean[@]}" timeout 30 "$root/bin/torlib" documento 12345678900 2>&1)"
    status=$?
    [ "$status" -eq 1 ] || fail "$what: torlib documento 12345678900 saiu com $status: $out"

    # The X reading on the installed simulator, found from the tool's folder.
    local ecf="$scratch/ecf-$what" work="$scratch/work-$what"
    mkdir -p "$work"
    out="$(cd "$work" && "${env_clean[@]}" ECFSIM_DIR="$ecf" timeout 30 \
        "$root/bin/quiterval-ecf" leiturax 2>&1)"
    status=$?
    [ "$status" -eq 0 ] || fail "$what: quiterval-ecf leiturax saiu com $status: $out"
    if ! grep -q "LEITURA X" "$ecf/bobina.txt" 2>/dev/null; then
        fail "$what: a leitura X não chegou à bobina do simulador em $ecf"
    fi
    [ ! -e "$work/ecf-simulado" ] || fail "$what: o simulador ignorou ECFSIM_DIR"

    if [ "$has_program" = 1 ]; then
        out="$("${env_clean[@]}" timeout 30 "$root/bin/quiterval" --version 2>&1)"
        status=$?
        [ "$status" -eq 0 ] || fail "$what: quiterval --version saiu com $status: $out"
        case "$out" in
            *14.4.1*) ;;
            *) fail "$what: quiterval --version sem a versão: $out" ;;
        esac
        out="$("${env_clean[@]}" timeout 30 "$root/bin/quiterval" --help 2>&1)"
        status=$?
        [ "$status" -eq 0 ] && [[ "$out" == *--version* ]] ||
            fail "$what: quiterval --help saiu com $status: $out"

        # The installed program starts: its open handler creates the settings
        # file in the working folder once the window is shown.
        local run="$scratch/run-$what"
        mkdir -p "$run/xdg" && chmod 700 "$run/xdg"
        (cd "$run" && exec "${env_clean[@]}" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$run/xdg" \
            ECFSIM_DIR="$run/ecf" "$root/bin/quiterval" >"$run/saida.txt" 2>&1) &
        local pid=$!
        started+=("$pid")
        local i
        for i in $(seq 1 200); do
            [ -f "$run/Quiterval.TOR" ] && break
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        if [ -f "$run/Quiterval.TOR" ] && kill -0 "$pid" 2>/dev/null; then
            [ "$(stat -c %s "$run/Quiterval.TOR")" -eq 1061 ] ||
                fail "$what: Quiterval.TOR com tamanho errado"
        else
            fail "$what: o programa instalado não abriu a janela: $(cat "$run/saida.txt")"
        fi
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    fi

    # The printer choice: etc/ under the prefix, or beside a prefix named usr.
    local etc_file="$root/etc/quiterval/impressora.conf"
    [ "$(basename "$root")" = usr ] && etc_file="$(dirname "$root")/etc/quiterval/impressora.conf"
    if [ -f "$etc_file" ]; then
        grep -qx 'biblioteca=simulada' "$etc_file" && grep -q '^# *biblioteca=/' "$etc_file" ||
            fail "$what: $etc_file não escolhe a impressora simulada com o exemplo comentado"
        out="$("${env_clean[@]}" timeout 30 "$root/bin/quiterval-ecf" --help 2>&1)"
        [[ "$out" == *"(escolhida em $etc_file); impressora simulada, sem valor fiscal"* ]] ||
            fail "$what: quiterval-ecf --help não diz a biblioteca escolhida em $etc_file: $out"
        # The technician's edits take effect; a file at fault stops the
        # printer instead of falling back to the simulated one.
        cp "$etc_file" "$scratch/impressora.conf"
        echo "biblioteca=$scratch/falta/libecf.so" >"$etc_file"
        out="$(cd "$work" && "${env_clean[@]}" ECFSIM_DIR="$ecf" timeout 30 \
            "$root/bin/quiterval-ecf" leiturax 2>&1)"
        [[ "$out" == *"carregada:"*"/falta/libecf.so"* ]] ||
            fail "$what: a biblioteca escolhida em $etc_file não foi usada: $out"
        echo "impressora=simulada" >"$etc_file"
        rm -f "$ecf/bobina.txt"
        out="$(cd "$work" && "${env_clean[@]}" ECFSIM_DIR="$ecf" timeout 30 \
            "$root/bin/quiterval-ecf" leiturax 2>&1)"
        status=$?
        [ "$status" -eq 1 ] && [[ "$out" == *"inv"*"lida na linha 1: "*"impressora.conf"* ]] ||
            fail "$what: arquivo de escolha inválido não foi apontado ($status): $out"
        [ ! -e "$ecf/bobina.txt" ] || fail "$what: arquivo inválido e a impressão foi ao simulador"
        # biblioteca=nfce: the installed program carries the NFC-e and looks
        # for its nfce.conf beside the choice.
        echo "biblioteca=nfce" >"$etc_file"
        out="$(cd "$work" && env -u NFCE_CONF "${env_clean[@]}" timeout 30 \
            "$root/bin/quiterval-ecf" leiturax 2>&1)"
        [[ "$out" == *"$(dirname "$etc_file")/nfce.conf"* ]] ||
            fail "$what: biblioteca=nfce não procurou o nfce.conf ao lado de $etc_file: $out"
        cp "$scratch/impressora.conf" "$etc_file"
    else
        fail "$what: falta $etc_file"
    fi

    # A C program of someone else's against the installed header and library.
    local client="$scratch/torlib_client-$what"
    # shellcheck disable=SC2086
    if "$cc" -std=c11 -Wall -Wextra -Werror $extra_cflags -I"$root/include/quiterval" \
        "$client_c" -o "$client" -L"$root/$libdir" -ltorlib -lquiterval-shared \
        -Wl,-rpath,"$root/$libdir" 2>"$scratch/cc.log"; then
        out="$("${env_clean[@]}" timeout 30 "$client" 2>&1)"
        status=$?
        [ "$status" -eq 0 ] || fail "$what: o programa C respondeu errado ($status): $out"
        out="$(ldd "$client")"
        [[ "$out" == *"$root/$libdir/libtorlib.so.1"* ]] ||
            fail "$what: o programa C não usou a libtorlib.so instalada: $out"
    else
        fail "$what: o programa C não compilou com os cabeçalhos instalados: $(cat "$scratch/cc.log")"
    fi
}

check_tree "$prefix" prefixo
check_tree "$debroot/usr" pacote

if [ "$failures" -ne 0 ]; then
    echo "$failures falha(s)" >&2
    exit 1
fi
echo "instalação e pacote conferidos"
