#!/usr/bin/env bash
# Builds the Debian packages with CPack and checks them: codvet holds the
# program, the manual page and the bash completion under /usr, libcodvet0 the
# shared library, libcodvet-dev the headers, the static library, the CMake
# package and the pkg-config file; their dependencies are met on this system,
# they install with dpkg -i, the installed program runs and gives the right
# exit statuses, and the examples build against the installed library (the
# C one with pkg-config, the C++ one with find_package) and print what the
# program prints.
#
#   scripts/check-package.sh [--system] [BUILD_DIR]
#
# BUILD_DIR (default build-package) is configured and built if needed; an
# existing build directory such as build is reused as it is.
#
# By default the package is installed with dpkg -i into a scratch root under
# BUILD_DIR (dpkg --root), which changes nothing on the system and needs no
# root rights. With --system it is installed into the system itself with
# dpkg -i, checked there (man finds the page, bash-completion the completion)
# and removed again; that needs root and a system where codvet is not
# already installed as a package.
set -euo pipefail
cd "$(dirname "$0")/.."

system=0
if [ "${1:-}" = "--system" ]; then
  system=1
  shift
fi
build=${1:-build-package}

fail() {
  echo "check-package: $*" >&2
  exit 1
}

for tool in cmake cpack dpkg dpkg-deb; do
  command -v "$tool" >/dev/null || fail "$tool is needed"
done

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCODVET_TESTS=OFF
fi
cmake --build "$build" -j2
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/codvet_*.deb)
libdeb=$(ls "$build"/libcodvet0_*.deb)
devdeb=$(ls "$build"/libcodvet-dev_*.deb)
echo "== $deb"
dpkg-deb --info "$deb"

echo "== Contents"
contents=$(dpkg-deb --contents "$deb" | awk '{print $NF}')
# The manual page is compressed where CPack can run a script before packing
# (CMake 3.19 and later).
page=./usr/share/man/man1/codvet.1.gz
grep -qx "$page" <<<"$contents" || page=./usr/share/man/man1/codvet.1
for path in ./usr/bin/codvet "$page" ./usr/share/bash-completion/completions/codvet \
  ./usr/bin/codvet-lint "${page/codvet./codvet-lint.}" ./usr/share/bash-completion/completions/codvet-lint; do
  grep -qx "$path" <<<"$contents" || fail "the package lacks $path"
  echo "$path"
done
[ "$(dpkg-deb --field "$deb" Section)" = utils ] || fail "the section is not utils"
# Paths as dpkg lists them, symbolic links by their own name.
paths() { dpkg-deb --contents "$1" | awk '{print $6}'; }
libcontents=$(paths "$libdeb")
for path in ./usr/lib/libcodvet.so.0 ./usr/lib/libcodvet.so.0.1.0; do
  grep -qx "$path" <<<"$libcontents" || fail "libcodvet0 lacks $path"
  echo "$path"
done
[ "$(dpkg-deb --field "$libdeb" Section)" = libs ] || fail "libcodvet0's section is not libs"
grep -qx './shlibs' <<<"$(dpkg-deb --ctrl-tarfile "$libdeb" | tar -t)" || fail "libcodvet0 has no shlibs file"
devcontents=$(paths "$devdeb")
for path in ./usr/include/codvet/codvet.h ./usr/include/codvet/codvet_c.h ./usr/lib/libcodvet.so \
  ./usr/lib/libcodvet.a ./usr/lib/cmake/codvet/codvetConfig.cmake ./usr/lib/pkgconfig/codvet.pc; do
  grep -qx "$path" <<<"$devcontents" || fail "libcodvet-dev lacks $path"
  echo "$path"
done
[ "$(dpkg-deb --field "$devdeb" Depends)" = "libcodvet0 (= $(dpkg-deb --field "$libdeb" Version))" ] ||
  fail "libcodvet-dev does not depend on this very libcodvet0"

echo "== Dependencies on this system"
depends="$(dpkg-deb --field "$deb" Depends), $(dpkg-deb --field "$libdeb" Depends)"
[ -n "$depends" ] || fail "the package declares no dependencies"
IFS=',' read -ra items <<<"$depends"
for item in "${items[@]}"; do
  item=$(echo "$item" | xargs)
  name=${item%% *}
  installed=$(dpkg-query -W -f '${Status} ${Version}' "$name" 2>/dev/null || true)
  case "$installed" in
    "install ok installed "*) ;;
    *) fail "dependency $name is not installed" ;;
  esac
  version=${installed##* }
  if [[ "$item" =~ \((\>=)\ ([^\)]+)\) ]]; then
    dpkg --compare-versions "$version" ge "${BASH_REMATCH[2]}" || fail "$name $version does not meet $item"
  fi
  echo "$item: $version"
done

# Checks the installed program at $1: usage, a valid and an invalid input.
check_program() {
  local codvet=$1 status
  set +e
  "$codvet" >/dev/null
  status=$?
  set -e
  [ "$status" -eq 4 ] || fail "$codvet without arguments exited with $status, not 4"
  printf 'Hello.\n' | "$codvet" shift_jis || fail "$codvet found a problem in ASCII text"
  local expected out
  expected=$(printf '"(STDIN)" (3): Invalid Character \223\113\215\207\202\265\202\310\202\242\225\266\216\232\202\305\202\267\201\102 (0x80)')
  set +e
  out=$(printf 'abc\200\n' | "$codvet" shift_jis)
  status=$?
  set -e
  [ "$status" -eq 2 ] || fail "$codvet exited with $status, not 2, on an invalid input"
  [ "$out" = "$expected" ] || fail "$codvet printed an unexpected report line"
  echo "$codvet runs: statuses 4, 0 and 2 as expected"
}

# codvet-lint at $1 finds a problem in standard input, with line and column.
check_lint() {
  local lint=$1 out status
  set +e
  out=$(printf 'a\nb\200\n' | "$lint" -e sjis --no-hint -q -)
  status=$?
  set -e
  [ "$status" -eq 1 ] || fail "$lint exited with $status, not 1, on an invalid input"
  out=$(printf 'a\nb\200\n' | "$lint" -e sjis --no-hint - 2>/dev/null || true)
  [ "$out" = "<stdin>:2:2: Invalid Character (0x80) [MsgInvalidCharacter]" ] ||
    fail "$lint printed an unexpected line: $out"
  echo "$lint runs"
}

# Builds both examples against the libraries installed under the prefix $1
# and checks that each prints the program's report lines (with the Japanese
# in UTF-8) for an invalid sample of every kind.
check_examples() {
  local prefix=$1 work
  work=$(cd "$build" && pwd)/package-examples
  rm -rf "$work"
  mkdir -p "$work"
  cc -Wall -Wextra -Werror -o "$work/check_c" examples/c/codvet_check.c \
    $(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --cflags --libs codvet)
  cmake -S examples/cpp -B "$work/cpp" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
  cmake --build "$work/cpp" >/dev/null
  local name encoding
  for name in shift_jis-invalid euc-jp-invalid iso-2022-jp-invalid utf8-invalid utf16-invalid; do
    encoding=${name%-invalid}
    iconv -f CP932 -t UTF-8 "samples/expected/$name.out" >"$work/expected"
    LD_LIBRARY_PATH=$prefix/lib "$work/check_c" "$encoding" "samples/$name.txt" >"$work/out" || true
    cmp "$work/out" "$work/expected" || fail "the C example differs from the program on $name"
    "$work/cpp/codvet_check" "$encoding" "samples/$name.txt" >"$work/out" || true
    cmp "$work/out" "$work/expected" || fail "the C++ example differs from the program on $name"
  done
  rm -rf "$work"
  echo "the examples build against $prefix and print what the program prints"
}

if [ "$system" -eq 0 ]; then
  echo "== dpkg -i into a scratch root"
  root=$(cd "$build" && pwd)/package-root
  rm -rf "$root"
  mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
  touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
  # The scratch root's package database is empty: the dependencies were
  # checked against this system's above.
  dpkg --root="$root" --force-not-root --force-depends --log=/dev/null --force-script-chrootless \
    -i "$deb" "$libdeb" "$devdeb"
  for package in codvet libcodvet0 libcodvet-dev; do
    dpkg --root="$root" --status $package | grep -qx 'Status: install ok installed' ||
      fail "dpkg does not list $package as installed"
  done
  check_program "$root/usr/bin/codvet"
  check_lint "$root/usr/bin/codvet-lint"
  check_examples "$root/usr"
  if command -v man >/dev/null; then
    warnings=$(LANG=C man -l --warnings=w "$root/${page#./}" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "the manual page renders with warnings: $warnings"
    echo "man -l renders the installed page without warnings"
  fi
  bash -c "source '$root/usr/share/bash-completion/completions/codvet' && complete -p codvet" >/dev/null ||
    fail "the completion does not load"
  rm -rf "$root"
else
  echo "== dpkg -i into this system"
  [ "$(id -u)" -eq 0 ] || fail "--system needs root"
  if dpkg-query -W -f '${Status}' codvet 2>/dev/null | grep -q 'ok installed'; then
    fail "codvet is already installed as a package; remove it first"
  fi
  trap 'dpkg -r codvet libcodvet-dev libcodvet0 >/dev/null 2>&1 || true' EXIT
  dpkg -i "$deb" "$libdeb" "$devdeb"
  check_program /usr/bin/codvet
  check_lint /usr/bin/codvet-lint
  check_examples /usr
  if command -v man >/dev/null; then
    [ "$(man -w codvet)" = "${page#.}" ] || fail "man does not find ${page#.}"
    warnings=$(LANG=C man --warnings=w codvet 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "the manual page renders with warnings: $warnings"
    echo "man codvet renders without warnings"
  fi
  bash -c "source /usr/share/bash-completion/completions/codvet && complete -p codvet" >/dev/null ||
    fail "the completion does not load"
  dpkg -r codvet libcodvet-dev libcodvet0
  trap - EXIT
  [ ! -e /usr/bin/codvet ] || fail "dpkg -r left /usr/bin/codvet behind"
fi
echo "== The package is good"
