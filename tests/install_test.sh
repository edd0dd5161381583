#!/usr/bin/env bash
# install_test.sh BUILD_DIR: installs the build tree into a scratch prefix, checks
# that the programs and their manual pages land where a system expects them, and
# that the pages render without a single groff warning and the desktop entry is
# valid and opens a terminal; then that the Debian package holds those files and the ones Debian asks
# for, depends on the libraries the programs link and leaves lintian silent.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# CPack works out the package's Depends with dpkg-shlibdeps and file.
for tool in man:man-db dpkg-shlibdeps:dpkg-dev file:file lintian:lintian desktop-file-validate:desktop-file-utils; do
    command -v "${tool%:*}" >/dev/null || fail "${tool%:*} is missing: install the Debian package ${tool#*:}"
done

cmake --install "$build" --prefix "$prefix" >/dev/null
# A page that is missing fails here too.
for page in varenthe varenthe-gallery; do
    warnings=$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings=w -l "$prefix/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page.1 renders with warnings:"$'\n'"$warnings"
done
entry=$prefix/share/applications/varenthe.desktop
out=$(desktop-file-validate "$entry") || fail "the desktop entry is invalid:"$'\n'"$out"
grep -qx Terminal=true "$entry" || fail "the desktop entry starts the viewer without a terminal for its trace"

# The package holds exactly these files, under /usr.
(cd "$build" && cpack -G DEB -B "$prefix/package" >/dev/null)
deb=$(echo "$prefix/package/varenthe_"*"_$(dpkg --print-architecture).deb")
files=$(dpkg-deb --contents "$deb" | grep -oE '\./usr/[^ ]*[^/]$' | LC_ALL=C sort | tr '\n' ' ')
expected=$(printf './usr/%s ' bin/varenthe bin/varenthe-gallery share/applications/varenthe.desktop share/doc/varenthe/changelog.gz \
    share/doc/varenthe/copyright share/icons/hicolor/{128x128,48x48}/apps/varenthe.png share/lintian/overrides/varenthe \
    share/man/man1/varenthe-gallery.1.gz share/man/man1/varenthe.1.gz)
[ "$files" = "$expected" ] || fail "the package holds $files, not $expected"
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libglut* && $depends == *libglu1* && $depends == *libdeflate* ]] || fail "the package depends on $depends"
out=$(lintian --fail-on error,warning "$deb" 2>&1) || fail "lintian finds fault with the package:"$'\n'"$out"
