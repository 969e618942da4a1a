#!/usr/bin/env bash
# Installs what is missing, builds, and starts the viewer in data/, passing on its options. Paths
# on the command line are taken from the folder the script was started in; the files left unnamed
# (torus.obj and the two shaders) are data/'s.
# Without a display it draws one frame offscreen and saves it, with the viewer's own --snapshot,
# to build/spinview.png.
#   scripts/run.sh [SPINVIEW OPTIONS...]
# SPINVIEW_BIN names a viewer built elsewhere: that one runs, nothing is installed or built, and
# the picture made without a display goes into its folder.
set -euo pipefail
start=$PWD
cd "$(dirname "$0")/.."

# The viewer's options (src/app/commandLine.cpp: keep the two in step), read by getopt(1) as the
# viewer reads them (one dash or two, unambiguous prefixes); a colon marks one that takes a value.
options=fit,no-spin,no-cut,orbit:,at:,vertex:,fragment:,texture:,snapshot:,frames:,fps:,size:,transparent,raw
options+=,help,version
options+=,display:,geometry:,iconic,direct,indirect,gldebug,sync

# Sets `path` to $1 as seen from the folder the script was started in.
fromStart() {
  case "$1" in
    /*) path=$1 ;;
    *) path=$start/$1 ;;
  esac
}

# The command line with the user's paths made absolute. One that getopt cannot read goes to the
# viewer as it is, which says what is wrong with it.
args=("$@")
if [ $# -gt 0 ] && normalized=$(getopt -q -a -o '' -l "$options" -- "$@"); then
  eval set -- "$normalized"
  args=()
  while [ $# -gt 0 ]; do
    case "$1" in
      --snapshot) if [ "$2" = - ]; then path=-; else fromStart "$2"; fi; args+=("$1" "$path"); shift 2 ;;
      --vertex | --fragment) fromStart "$2"; args+=("$1" "$path"); shift 2 ;;
      --texture) fromStart "${2#*=}"; args+=("$1" "${2%%=*}=$path"); shift 2 ;;
      --at | --orbit | --frames | --fps | --size) args+=("$1" "$2"); shift 2 ;;
      # GLUT reads its own options only as written with one dash
      --display | --geometry) args+=("-${1#--}" "$2"); shift 2 ;;
      --iconic | --direct | --indirect | --gldebug | --sync) args+=("-${1#--}"); shift ;;
      --) shift; for model in "$@"; do fromStart "$model"; args+=("$path"); done; break ;;
      *) args+=("$1"); shift ;;
    esac
  done
fi

if [ -n "${SPINVIEW_BIN:-}" ]; then
  fromStart "$SPINVIEW_BIN"
  bin=$path
else
  scripts/install-deps.sh
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build -j"$(nproc)" --target spinview
  bin=$PWD/build/spinview
fi

if [ -n "${DISPLAY:-}" ]; then
  cd data
  exec "$bin" "${args[@]}"
fi

# the viewer draws its snapshot offscreen when there is no display; the spin at 2 seconds unless
# another moment is asked for
moment=(--at 2)
for arg in "${args[@]}"; do
  [ "$arg" = --at ] && moment=()
done
cd data
exec "$bin" --snapshot "$(dirname "$bin")/spinview.png" "${moment[@]}" "${args[@]}"
