# The environment of every Wine run (tests, main job, benchmarks), sourced by the scripts that
# start Wine programs or a wineserver:
#
#   . "$top/tools/wine-env.sh"
#
# Sets and exports:
#   WINEDEBUG=-all          no debug output
#   WINEDLLOVERRIDES        no Mono or Gecko prompts; no menu builder, which would add ~300 ms to
#                           every run and write menu entries into the host's home
#   HOME                    a private home under the Wine root (wineboot links Desktop,
#                           Documents ... to it); a caller that needs another sets it afterwards
#   PHOTAVIAN_WINE_ROOT     where the template and the prefixes live (default: .wine/ of the
#                           checkout), so that the programs a script starts agree on it
# and defines:
#   wine_prefix NAME        the folder of the prefix NAME
#   wine_limit SECONDS CMD  CMD under a time limit (killed 10 s after it, if need be), so that no
#                           Wine call can hold a script or a test run
#   wine_server PREFIX ARGS...  wineserver ARGS for the prefix folder PREFIX, within 120 s
#                           (-w waits for it to flush the registry, -k ends it)
export PHOTAVIAN_WINE_ROOT=${PHOTAVIAN_WINE_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/.wine}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export HOME="$PHOTAVIAN_WINE_ROOT/home"
mkdir -p "$HOME"

wine_prefix() { printf '%s/prefixes/%s' "$PHOTAVIAN_WINE_ROOT" "$1"; }
wine_limit() { local seconds=$1; shift; timeout --kill-after=10 "$seconds" "$@"; }
wine_server() { local prefix=$1; shift; WINEPREFIX="$prefix" wine_limit 120 wineserver "$@"; }
