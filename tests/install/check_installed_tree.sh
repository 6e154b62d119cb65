#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks what a user gets: the programs
# answer, the desktop entry, file types, metainfo and manuals are valid, the icons and the
# sample are there. Every program runs as on a machine without a desktop session.
# usage: check_installed_tree.sh BUILD_DIR VERSION
set -uo pipefail
build=$1
version=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
has() { command -v "$1" >/dev/null || { echo "skipped: $1 is not installed"; return 1; }; }

DESTDIR=$root cmake --install "$build" --prefix /usr >"$root/install.log" || {
  cat "$root/install.log" >&2
  exit 1
}
usr=$root/usr
id=org.korvel.Korvel

# expect STATUS STDOUT_REGEX STDERR_REGEX PROGRAM ARGS...  (an empty STDERR_REGEX means nothing on stderr)
expect() {
  local status=$1 out_re=$2 err_re=$3 code=0 out err
  shift 3
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR -u QT_QPA_PLATFORM "$@" 2>"$root/stderr") || code=$?
  err=$(<"$root/stderr")
  [ "$code" = "$status" ] || fail "${*#"$usr/bin/"}: exit $code, expected $status"
  [[ $out =~ $out_re ]] || fail "${*#"$usr/bin/"}: stdout does not match '$out_re': $out"
  if [ -z "$err_re" ]; then
    [ -z "$err" ] || fail "${*#"$usr/bin/"}: unexpected stderr: $err"
  else
    [[ $err =~ $err_re ]] || fail "${*#"$usr/bin/"}: stderr does not match '$err_re': $err"
  fi
}

for program in korvel korvel-cli korvel-romsim; do
  expect 0 "^$program $version\$" "" "$usr/bin/$program" --version
done
expect 0 "Usage: .*korvel \[options\] \[IMAGE.bin\] \[DEFINITION.ecu\]" "" "$usr/bin/korvel" --help
expect 2 "^\$" "at most two files.*Usage:" "$usr/bin/korvel" a.bin b.ecu c.bin
# Options are read before anything needs a display, Qt's own among them.
expect 2 "^\$" "Unknown option 'bogus'.*Usage:" "$usr/bin/korvel" --bogus
expect 2 "^\$" "at most two files" "$usr/bin/korvel" -platform offscreen a.bin b.ecu c.bin
expect 0 "korvel-cli render-map .*korvel-cli --help" "" "$usr/bin/korvel-cli" --help
expect 0 "^usage: korvel-cli checksum IMAGE.bin DEFINITION.ecu" "" "$usr/bin/korvel-cli" checksum --help
expect 2 "^\$" "^usage: korvel-cli VERB" "$usr/bin/korvel-cli"
expect 2 "^\$" "unknown verb: frobnicate" "$usr/bin/korvel-cli" frobnicate
expect 2 "^\$" "usage: korvel-cli items" "$usr/bin/korvel-cli" items
expect 0 "usage: korvel-romsim" "" "$usr/bin/korvel-romsim" --help
examples=$usr/share/korvel/examples
expect 0 "^header: " "" "$usr/bin/korvel-cli" items "$examples/sample.ecu" --bin "$examples/sample.bin"
expect 0 "" "" "$usr/bin/korvel-cli" render-line "$examples/sample.bin" 100 40 "$root/line.png"
[[ $(file -b "$root/line.png") == "PNG image data, 600 x 400"* ]] || fail "render-line wrote no 600 x 400 PNG"

desktop=$usr/share/applications/$id.desktop
metainfo=$usr/share/metainfo/$id.metainfo.xml
grep -qx "Exec=korvel %F" "$desktop" || fail "the desktop entry does not open files with korvel"
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry does not name the icon $id"
if has desktop-file-validate; then desktop-file-validate "$desktop" || fail "desktop-file-validate"; fi
# Every type of the shared-mime-info file is offered, and images (application/octet-stream).
mime=$usr/share/mime
types=$(grep -o '<mime-type type="[^"]*"' "$mime/packages/$id.xml" | cut -d'"' -f2)
[ -n "$types" ] || fail "no file type in $mime/packages/$id.xml"
for type in $types application/octet-stream; do
  grep -q "^MimeType=\(.*;\)\?$type;" "$desktop" || fail "the desktop entry does not list $type"
done
if has update-mime-database && has update-desktop-database; then
  # What the package's triggers do on installation.
  update-mime-database "$mime" >"$root/mime.log" 2>&1 || fail "update-mime-database: $(<"$root/mime.log")"
  update-desktop-database "$usr/share/applications" || fail "update-desktop-database"
  grep -qx "text/x-ecu-definition text/plain" "$mime/subclasses" || fail "the .ecu type is no kind of text/plain"
  cp "$examples/sample.ecu" "$root/ENGINE.ECU"
  if has gio; then
    # As a file manager sees it: the type of a definition by its name, and Korvel offered for it.
    desktop_env=(env PATH="$usr/bin:$PATH" XDG_DATA_DIRS="$usr/share" XDG_DATA_HOME="$root/none")
    seen=$("${desktop_env[@]}" gio info -a standard::content-type "$root/ENGINE.ECU")
    [[ $seen == *"content-type: text/x-ecu-definition"* ]] || fail "ENGINE.ECU is not an ECU definition: $seen"
    offered=$("${desktop_env[@]}" gio mime text/x-ecu-definition)
    [[ $offered == *"Registered applications:"*"$id.desktop"* ]] || fail "Korvel is not offered for definitions: $offered"
  fi
fi
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "metainfo launches no $id.desktop"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo lists no release $version"
if has appstreamcli; then appstreamcli validate --no-net "$metainfo" >"$root/as.log" || fail "appstreamcli: $(<"$root/as.log")"; fi

icons=$usr/share/icons/hicolor
[ -s "$icons/scalable/apps/$id.svg" ] || fail "no scalable icon"
for size in 16 24 32 48 64 128 256; do
  [[ $(file -b "$icons/${size}x$size/apps/$id.png") == "PNG image data, $size x $size"* ]] || fail "no ${size}px icon"
done
for page in korvel korvel-cli korvel-romsim; do
  manual=$usr/share/man/man1/$page.1.gz
  if [ ! -s "$manual" ]; then fail "no manual $page(1)"; continue; fi
  has man || continue
  text=$(MANWIDTH=80 man --warnings -l "$manual" 2>"$root/man.err")
  [[ $text == *NAME*"$page - "*SYNOPSIS* ]] || fail "$page(1) does not render its name and synopsis"
  [ ! -s "$root/man.err" ] || fail "$page(1): $(<"$root/man.err")"
done
cmp -s "$examples/sample.bin" "$(dirname "$0")/../../examples/sample.bin" || fail "the sample image is not installed"
[ -s "$usr/share/doc/korvel/copyright" ] || fail "no copyright file"

[ "$failures" -eq 0 ] && echo "installed tree: all checks passed"
exit $((failures > 0))
