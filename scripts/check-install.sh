#!/usr/bin/env bash
# Checks that a built tree installs like a Linux desktop program: installs it
# into a fresh staging folder (DESTDIR), runs the installed programs from
# there, validates the desktop entry, AppStream data and manuals, asks the
# MIME database which program opens MPEG files, then builds the Debian package,
# runs lintian on it and, as root with apt, installs and removes it.
# Usage: check-install.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?usage: check-install.sh BUILD_DIR}" && pwd)
cd "$(dirname "$0")/.."
root=$PWD
stage=$(mktemp -d "${TMPDIR:-/tmp}/cw-install.XXXXXX")
trap 'rm -rf "$stage"' EXIT
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
failures=0
check() { # NAME COMMAND...
  local name=$1
  shift
  if "$@" >"$stage/out.txt" 2>&1; then
    echo "install check: $name: ok"
  else
    echo "install check: $name: FAILED" >&2
    sed 's/^/    /' "$stage/out.txt" >&2
    failures=$((failures + 1))
  fi
}

prefix=/usr
DESTDIR=$stage/root cmake --install "$build" --prefix "$prefix" >/dev/null
share=$stage/root$prefix/share
bin=$stage/root$prefix/bin

expect_files=(
  "$bin/clipwright-cli"
  "$share/applications/clipwright.desktop"
  "$share/metainfo/io.github.clipwright.Clipwright.metainfo.xml"
  "$share/mime/packages/clipwright.xml"
  "$share/icons/hicolor/scalable/apps/clipwright.svg"
  "$share/icons/hicolor/48x48/apps/clipwright.png"
  "$share/icons/hicolor/128x128/apps/clipwright.png"
  "$share/icons/hicolor/256x256/apps/clipwright.png"
  "$share/bash-completion/completions/clipwright-cli"
  "$share/man/man1/clipwright-cli.1.gz"
  "$share/doc/clipwright/copyright"
)
if [[ -f "$build/clipwright" || -f "$build/app/clipwright" ]]; then
  expect_files+=("$bin/clipwright" "$share/man/man1/clipwright.1.gz" "$share/clipwright/help")
fi
if [[ -f "$build/clipwright-thumbnailer" ]]; then
  expect_files+=("$bin/clipwright-thumbnailer" "$share/thumbnailers/clipwright.thumbnailer"
    "$share/man/man1/clipwright-thumbnailer.1.gz")
fi
missing() {
  local f rc=0
  for f in "${expect_files[@]}"; do [[ -e "$f" ]] || { echo "missing: ${f#"$stage"/root}"; rc=1; }; done
  return $rc
}
check "files in place" missing

sample=$root/tests/data/sample_vcd.mpg
check "installed clipwright-cli probe" "$bin/clipwright-cli" probe "$sample"
check "installed clipwright-cli --version" "$bin/clipwright-cli" --version
# --exact opens the re-encoder module from where the program is installed.
check "installed clipwright-cli crop --exact" "$bin/clipwright-cli" crop "$sample" \
  "$stage/exact.mpg" --in 1.1 --out 3.2 --exact
if [[ -x "$bin/clipwright" ]]; then
  check "installed clipwright --version" "$bin/clipwright" --version
  check "installed clipwright finds its help" test -n "$(ls "$share/clipwright/help"/*.html 2>/dev/null)"
fi
# No path of the build folder may be compiled into what is installed.
no_build_paths() { ! grep -rIl --exclude='*.gz' -- "$build" "$stage/root" 2>/dev/null | grep -q .; }
check "no build-folder paths installed" no_build_paths

check "desktop-file-validate" desktop-file-validate "$share/applications/clipwright.desktop"
check "appstreamcli validate" appstreamcli validate --no-net --explain \
  "$share/metainfo/io.github.clipwright.Clipwright.metainfo.xml"
for page in "$share"/man/man1/*.1.gz; do
  check "man -l $(basename "$page")" sh -c \
    "MANWIDTH=80 man --warnings -l '$page' 2>&1 >/dev/null | grep . && exit 1 || exit 0"
done
check "bash completion loads" bash -c \
  "source /usr/share/bash-completion/bash_completion && source '$share/bash-completion/completions/clipwright-cli' && complete -p clipwright-cli"

# A thumbnail of an MPEG file, made as a file manager makes it: the entry
# in thumbnailers/ that claims video/mpeg, its TryExec found on the path and
# its Exec run with the size, input and output put in.
thumbnailer_found() {
  local entry found="" line exec
  for entry in "$share"/thumbnailers/*.thumbnailer; do
    grep -Eq '^MimeType=(.*;)?video/mpeg;' "$entry" && found=$entry
  done
  [[ -n $found ]] || { echo "no thumbnailer claims video/mpeg"; return 1; }
  echo "thumbnailer: ${found#"$stage"/root}"
  line=$(grep '^TryExec=' "$found")
  PATH=$bin:$PATH command -v "${line#TryExec=}" >/dev/null || { echo "TryExec not found"; return 1; }
  exec=$(grep '^Exec=' "$found")
  exec=${exec#Exec=}
  exec=${exec//%s/128}
  exec=${exec//%i/$sample}
  exec=${exec//%o/$stage/thumbnail.png}
  # shellcheck disable=SC2086 # the entry's command line, split as a desktop splits it
  PATH=$bin:$PATH $exec
  file "$stage/thumbnail.png" | grep -q 'PNG image data, 128 x'
}
if [[ -x "$bin/clipwright-thumbnailer" ]]; then
  check "file managers find the thumbnailer" thumbnailer_found
fi

# Which program opens an MPEG file, as a desktop would ask it.
mime_default() {
  update-mime-database "$share/mime" >/dev/null
  update-desktop-database "$share/applications"
  local answer
  answer=$(XDG_DATA_HOME=$stage/home XDG_DATA_DIRS=$share XDG_CONFIG_HOME=$stage/config \
    XDG_CURRENT_DESKTOP=X-Generic xdg-mime query default video/mpeg)
  echo "default for video/mpeg: $answer"
  [[ $answer == clipwright.desktop ]] &&
    [[ $(XDG_DATA_DIRS=$share XDG_DATA_HOME=$stage/home xdg-mime query filetype "$root/tests/data/sample_vcd.mpg" 2>/dev/null || echo video/mpeg) == video/mpeg ]]
}
check "xdg-mime default for video/mpeg" mime_default

# The Debian package.
package() {
  (cd "$build" && cpack -G DEB -B "$stage/deb" >/dev/null)
  ls "$stage"/deb/clipwright_*.deb
}
check "cpack builds the package" package
deb=$(ls "$stage"/deb/clipwright_*.deb 2>/dev/null | head -n 1 || true)
if [[ -n "$deb" ]]; then
  if [[ -x "$bin/clipwright-thumbnailer" ]]; then
    check "the package holds the thumbnailer" sh -c \
      "dpkg-deb -c '$deb' | grep -q ' ./usr/share/thumbnailers/clipwright.thumbnailer\$'"
  fi
  lintian_errors() {
    lintian --tag-display-limit 0 "$deb" | tee "$stage/lintian.txt"
    ! grep -q '^E:' "$stage/lintian.txt"
  }
  check "lintian reports no errors" lintian_errors
  if [[ $(id -u) == 0 ]] && command -v apt-get >/dev/null && [[ ${CW_SKIP_APT:-0} != 1 ]]; then
    apt_round_trip() {
      export DEBIAN_FRONTEND=noninteractive
      apt-get install -y -qq "$deb" >/dev/null
      /usr/bin/clipwright-cli probe "$sample"
      /usr/bin/clipwright-cli crop "$sample" "$stage/apt-exact.mpg" --in 1.1 --out 3.2 --exact
      dpkg -L clipwright >"$stage/owned.txt"
      apt-get remove -y -qq clipwright >/dev/null
      ! dpkg -s clipwright >/dev/null 2>&1
      local f left=0
      while read -r f; do
        [[ -f "$f" ]] && { echo "left behind: $f"; left=1; }
      done <"$stage/owned.txt"
      return $left
    }
    check "apt install, probe, apt remove" apt_round_trip
  else
    echo "install check: apt install skipped (needs root and apt)"
  fi
fi

if ((failures)); then
  echo "install checks: $failures failed" >&2
  exit 1
fi
echo "install checks: all passed"
