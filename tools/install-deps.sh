#!/usr/bin/env bash
# Installs the Debian packages the build, the tests or the data tools need,
# only when some are missing. Usage: tools/install-deps.sh run|test|data
set -euo pipefail
what=${1:-test}
packages=(cmake ninja-build g++ pkg-config libsdl2-dev libsdl2-ttf-dev libfontconfig-dev fonts-dejavu-core)
case "$what" in
  run) ;;
  test) packages+=(googletest libgtest-dev libbenchmark-dev xvfb xdotool wbrazilian x11-apps clang libclang-rt-14-dev) ;;
  data) packages+=(espeak-ng sox wbrazilian python3) ;;
  *) echo "usage: $0 run|test|data" >&2; exit 2 ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
