#!/usr/bin/env bash
# The Debian packages as a till would get them: built by CPack from this build tree,
# lintian-clean, each holding only its own files, their dependencies present on this
# machine; unpacked into a fresh root, a host project builds against the development
# package, and the installed kvp-host replays the demo sale and prints what the build
# tree's program prints.
#   debian_packages.sh BUILD_DIR SOURCE_DIR WORK_DIR VERSION GENERATOR CXX
set -euo pipefail
build=$1 source=$2 work=$3 version=$4 generator=$5 cxx=$6
major=${version%%.*}

fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
cpack --config "$build/CPackConfig.cmake" -B "$work/debs" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack"; }

declare -A deb
for p in libkvp510 libkvp510-dev kvp-host; do
  deb[$p]="$work/debs/${p}_${version}_$(dpkg --print-architecture).deb"
  [ -f "${deb[$p]}" ] || fail "no package ${deb[$p]##*/}"
done
made=$(find "$work/debs" -maxdepth 1 -name '*.deb' | wc -l)
[ "$made" -eq 3 ] || fail "$made packages made, expected 3: $(ls "$work/debs")"

# What belongs to each package; every file listed must match one line, and every line
# must match some file.
declare -A owns
owns[libkvp510]="\
usr/lib/libkvp510\.so\.$major
usr/lib/libkvp510\.so\.${version//./\\.}
usr/share/doc/libkvp510/copyright
usr/share/doc/libkvp510/changelog\.gz
usr/share/lintian/overrides/libkvp510"
owns[libkvp510-dev]="\
usr/include/kvp510/kvp510\.h
usr/include/kvp510/hostservices\.h
usr/include/kvp510/[a-z0-9]+\.h
usr/lib/libkvp510\.so
usr/lib/cmake/Kvp510/Kvp510Config\.cmake
usr/lib/cmake/Kvp510/Kvp510ConfigVersion\.cmake
usr/lib/cmake/Kvp510/Kvp510Targets(-[a-z]+)?\.cmake
usr/share/doc/libkvp510-dev/copyright
usr/share/doc/libkvp510-dev/changelog\.gz"
owns[kvp-host]="\
usr/bin/kvp-host
usr/share/man/man1/kvp-host\.1\.gz
usr/share/doc/kvp-host/SCRIPTS\.md
usr/share/doc/kvp-host/examples/demo\.kvs
usr/share/doc/kvp-host/examples/[a-z]+\.kvs
usr/share/doc/kvp-host/copyright
usr/share/doc/kvp-host/changelog\.gz"

for p in "${!deb[@]}"; do
  files=$(dpkg -c "${deb[$p]}" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }')
  while read -r f; do
    ok=no
    while read -r pattern; do
      if [[ $f =~ ^${pattern}$ ]]; then ok=yes; break; fi
    done <<<"${owns[$p]}"
    [ $ok = yes ] || fail "$p holds $f, which is not its own"
  done <<<"$files"
  while read -r pattern; do
    grep -Eq "^${pattern}$" <<<"$files" || fail "$p lacks $pattern"
  done <<<"${owns[$p]}"
done

command -v lintian >/dev/null || fail "lintian is missing: run scripts/setup"
lintian --fail-on error,warning "${deb[@]}" >"$work/lintian.log" 2>&1 ||
  { cat "$work/lintian.log" >&2; fail "lintian"; }

# Every dependency is one of the three packages at this version, or installed here in a
# version that satisfies it.
satisfied() {  # satisfied "name (op version)"
  local name op want have
  read -r name op want <<<"$(sed -E 's/[()]//g; s/:any//' <<<"$1")"
  if [ -n "${deb[$name]:-}" ]; then
    have=$version
  else
    have=$(dpkg-query -W -f='${Status} ${Version}' "$name" 2>/dev/null |
           sed -n 's/^install ok installed //p')
    [ -n "$have" ] || return 1
  fi
  [ -z "$op" ] || dpkg --compare-versions "$have" "$op" "$want"
}
for p in "${!deb[@]}"; do
  IFS=',' read -ra clauses <<<"$(dpkg-deb -f "${deb[$p]}" Depends)"
  for clause in "${clauses[@]}"; do
    IFS='|' read -ra alternatives <<<"$clause"
    ok=no
    for a in "${alternatives[@]}"; do
      if satisfied "$(xargs <<<"$a")"; then ok=yes; break; fi
    done
    [ $ok = yes ] || fail "$p depends on$clause, which is not installed here"
  done
done
grep -q '^ *libkvp510 (= '"$version"')' <<<"$(dpkg-deb -f "${deb[libkvp510-dev]}" Depends | tr ',' '\n')" ||
  fail "libkvp510-dev does not depend on libkvp510 of its own version"

root=$work/root
for p in "${!deb[@]}"; do dpkg-deb -x "${deb[$p]}" "$root"; done

# A host project that knows the module only through the installed development package.
cmake -S "$source/tests/pkg/consumer" -B "$work/consumer" -G "$generator" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_PREFIX_PATH="$root/usr" >"$work/consumer.log" 2>&1 &&
  cmake --build "$work/consumer" >>"$work/consumer.log" 2>&1 ||
  { cat "$work/consumer.log" >&2; fail "building the host project against the package"; }
grep -q "^Kvp510_DIR:PATH=$root/usr/lib/cmake/Kvp510$" "$work/consumer/CMakeCache.txt" ||
  fail "find_package(Kvp510) found $(grep ^Kvp510_DIR "$work/consumer/CMakeCache.txt")"
loads=$(ldd "$work/consumer/host_consumer")
grep -q "libkvp510.so.$major => $root/usr/lib/" <<<"$loads" ||
  fail "the host project does not load the installed library: $loads"
[ "$("$work/consumer/host_consumer")" = "entry answered false" ] || fail "the host project's call"

# The installed host, started from an unrelated folder with no run folder given: the shop
# goes to the user's data folder.
host=$root/usr/bin/kvp-host
[ "$("$host" --version)" = "kvp-host $version" ] || fail "kvp-host --version: $("$host" --version)"
mkdir -p "$work/home" "$work/elsewhere"
out=$(cd "$work/elsewhere" &&
      env -u XDG_DATA_HOME -u QT_QPA_PLATFORM HOME="$work/home" LC_ALL=C.UTF-8 \
        "$host" --script "$root/usr/share/doc/kvp-host/examples/demo.kvs" 2>"$work/host.err"; echo "status $?")
diff <(printf '%s\n' "$out") <(cat "$source/host/scripts/demo.expected"; echo "status 0") >"$work/host.diff" ||
  { cat "$work/host.err" "$work/host.diff" >&2; fail "the installed kvp-host printed something else"; }
[ -f "$work/home/.local/share/kvp-host/loja.db" ] ||
  fail "the installed kvp-host did not build its shop in the user's data folder: $(cat "$work/host.err")"
echo "packages, the host project and the installed kvp-host: as expected"
