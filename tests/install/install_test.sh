#!/usr/bin/env bash
# install_test.sh CMAKE BUILD_DIR: installs the build into a temporary prefix, checks the
# layout, and starts the installed program offscreen (through its link in <prefix>/bin) until it
# has merged a pending update into its shipped settings file and loaded its class icons from
# the libOrvexa.so beside it. Bounded to 30 seconds; the program and the prefix are removed.
set -euo pipefail
cmake_command=$1
build=$2
work=$(mktemp -d)
pid=""
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  [ -f "$work/program.log" ] && cat "$work/program.log"
  exit 1
}

prefix="$work/prefix"
"$cmake_command" --install "$build" --prefix "$prefix" >/dev/null
programs="$prefix/lib/tarnbeck/bin"
for file in "$programs/tarnbeck" "$programs/tarnbeck-tree" "$programs/tarnbeck-sync" "$programs/libOrvexa.so" \
            "$programs/Tarnbeck.ini" "$programs/mappings.dat" \
            "$prefix/share/applications/tarnbeck.desktop" \
            "$prefix/share/icons/hicolor/scalable/apps/tarnbeck.svg"; do
  [ -f "$file" ] || fail "not installed: $file"
done
for program in tarnbeck tarnbeck-tree tarnbeck-sync; do
  [ "$(readlink -f "$prefix/bin/$program")" = "$(readlink -f "$programs/$program")" ] ||
    fail "$prefix/bin/$program does not lead to $programs/$program"
done

# A pending update beside the installed settings file: merged and deleted only by a program
# that found that file.
printf '[TREES]\nDEMO_TREE=O=Acme\n' > "$programs/Tarnbeck.new"
mkdir -p "$work/home" "$work/run"
cd "$work/run"
env -i HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/home" \
    QT_QPA_PLATFORM=offscreen PATH=/usr/bin:/bin "$prefix/bin/tarnbeck" >"$work/program.log" 2>&1 &
pid=$!
for _ in $(seq 1 150); do
  kill -0 "$pid" 2>/dev/null || fail "the installed program ended"
  if [ ! -e "$programs/Tarnbeck.new" ] && grep -q "Find the special icons" testnoc.log 2>/dev/null
  then
    grep -q "^DEMO_TREE=O=Acme" "$programs/Tarnbeck.ini" || fail "the update was not merged"
    [ -f "$work/data/tarnbeck/demo.db" ] || fail "no demo tree was made"
    echo "The installed program found libOrvexa.so and its configuration."
    exit 0
  fi
  sleep 0.2
done
fail "the installed program did not get through its start within 30 seconds"
