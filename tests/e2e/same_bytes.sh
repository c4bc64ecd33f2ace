#!/usr/bin/env bash
# The same runs typed into the Linux window and into the Windows window give
# the same bytes: the paper tape, the printer's memory, the driver log and the
# settings file, with the dates and times on them aside.
#
#   same_bytes.sh LINUX_BUILD WINDOWS_KEPT OUT_DIR RUN...
#
# WINDOWS_KEPT/RUN holds the files of the Windows window's passed run RUN
# (e2e.sh with E2E_KEEP). The Linux window's come from LINUX_BUILD's own runs
# (tests/e2e/kept/RUN), or are made here with LINUX_BUILD/bin/quiterval.
# Exit status: 0 the same, 1 different or missing, 77 skipped (no Linux build).
set -uo pipefail

linux_build="${1:?Linux build}"
windows_kept="${2:?kept folder of the Windows runs}"
out_dir="$(mkdir -p "${3:?out dir}" && cd "$3" && pwd)"
shift 3
[ $# -gt 0 ] || { echo "same_bytes: no run named" >&2; exit 2; }
here="$(cd "$(dirname "$0")" && pwd)"

# Dates and times, as the tape, the memory and the log write them (the
# log's record starts with a line of the date, YYMMDD, and one of the time,
# HHMMSS and hundredths).
without_dates() {
    LC_ALL=C sed -E -e 's#[0-9]{2}/[0-9]{2}/[0-9]{2,4}#DD/MM/AAAA#g' \
        -e 's#[0-9]{4}-[0-9]{2}-[0-9]{2}#AAAA-MM-DD#g' -e 's#[0-9]{2}:[0-9]{2}(:[0-9]{2})?#HH:MM:SS#g' \
        -e 's#^[0-9]{6}( *)$#AAMMDD\1#' -e 's#^[0-9]{8}( *)$#HHMMSSCC\1#' "$1"
}

status=0
for run in "$@"; do
    windows="$windows_kept/$run"
    linux="$linux_build/tests/e2e/kept/$run"
    if [ ! -f "$linux/bobina.txt" ]; then
        if [ ! -x "$linux_build/bin/quiterval" ]; then
            echo "same_bytes: no Linux window in $linux_build/bin (scripts/test builds it); skipped"
            exit 77
        fi
        linux="$out_dir/linux-kept/$run"
        rm -rf "$linux"
        E2E_KEEP="$linux" bash "$here/e2e.sh" "$run" "$linux_build/bin" "$out_dir" >/dev/null ||
            { echo "same_bytes [$run]: the Linux window's run failed" >&2; exit 1; }
    fi
    [ -f "$windows/bobina.txt" ] || { echo "same_bytes [$run]: no files of the Windows run in $windows" >&2; exit 1; }
    for file in bobina.txt estado.txt Quiterval.TOR DARUMA.txt; do
        if [ ! -f "$linux/$file" ] && [ ! -f "$windows/$file" ]; then continue; fi
        if [ ! -f "$linux/$file" ] || [ ! -f "$windows/$file" ]; then
            echo "same_bytes [$run]: $file written by one window only" >&2
            status=1
            continue
        fi
        if cmp -s <(without_dates "$linux/$file") <(without_dates "$windows/$file"); then
            echo "same_bytes [$run]: $file the same ($(wc -c <"$windows/$file") bytes)"
        else
            echo "same_bytes [$run]: $file differs (Linux <, Windows >):" >&2
            diff <(without_dates "$linux/$file") <(without_dates "$windows/$file") | head -n 20 >&2
            status=1
        fi
    done
done
exit "$status"
