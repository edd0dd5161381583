#!/usr/bin/env bash
# install_test.sh BUILD_DIR: installs the build tree into a scratch prefix, checks
# that the programs and their manual pages land where a system expects them, and
# that the pages render without a single groff warning; then the same four files
# in the Debian package, which depends on the libraries the programs link.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# CPack works out the package's Depends with dpkg-shlibdeps and file.
for tool in man:man-db dpkg-shlibdeps:dpkg-dev file:file; do
    command -v "${tool%:*}" >/dev/null || fail "${tool%:*} is missing: install the Debian package ${tool#*:}"
done

cmake --install "$build" --prefix "$prefix" >/dev/null
# A page that is missing fails here too.
for page in varenthe varenthe-gallery; do
    warnings=$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings=w -l "$prefix/share/man/man1/$page.1" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page.1 renders with warnings:"$'\n'"$warnings"
done

# The package holds exactly the programs and their pages, under /usr.
(cd "$build" && cpack -G DEB -B "$prefix/package" >/dev/null)
deb=$(echo "$prefix/package/varenthe_"*"_$(dpkg --print-architecture).deb")
files=$(dpkg-deb --contents "$deb" | grep -oE '\./usr/(bin|share/man/man1)/[^ ]+$' | sort | tr '\n' ' ')
expected="./usr/bin/varenthe ./usr/bin/varenthe-gallery ./usr/share/man/man1/varenthe-gallery.1 ./usr/share/man/man1/varenthe.1 "
[ "$files" = "$expected" ] || fail "the package holds $files, not $expected"
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libglut* && $depends == *libglu1* && $depends == *libpng* ]] || fail "the package depends on $depends"
