#!/bin/bash
# Builds the Debian packages with CPack, checks their metadata and contents,
# installs them with apt-get, builds examples/quickstart against them (CMake
# find_package and pkg-config) and removes them again. Run as root on Debian
# from the source tree:
#   scripts/check-packages.sh BUILD_DIR [shared]
# BUILD_DIR is a configured and built tree; "shared" says it was configured
# with -DBUILD_SHARED_LIBS=ON, which adds the shared-library package.
set -euo pipefail
BUILD=$(realpath "$1")
KIND=${2:-static}
SRC=$PWD
OUT=$BUILD/packages
rm -rf "$OUT" && mkdir -p "$OUT"
(cd "$BUILD" && cpack -G DEB -B "$OUT" >/dev/null)
rm -rf "$OUT/_CPack_Packages"
VERSION=$(sed -n 's/^project(QbXmlLib5 VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
MAJOR=${VERSION%%.*}
PACKAGES="libqbxmllib5-dev qbxmllib5-tools"
[ "$KIND" = shared ] && PACKAGES="$PACKAGES libqbxmllib5-$MAJOR"
fail() { echo "FAIL: $*" >&2; exit 1; }

# Metadata and contents of each package.
deb() { ls "$OUT"/"$1"_"$VERSION"-1_*.deb 2>/dev/null || fail "no package $1 $VERSION"; }
# (Read whole before grep: grep -q ending early would break dpkg-deb's pipe.)
has_field() {  # has_field PACKAGE FIELD PATTERN
    local value
    value=$(dpkg-deb -f "$(deb "$1")" "$2")
    grep -Eq "$3" <<<"$value" || fail "$1 $2: $value"
}
has_file() {  # has_file PACKAGE PATH_PATTERN
    local listing
    listing=$(dpkg-deb -c "$(deb "$1")")
    grep -Eq "$2" <<<"$listing" || fail "$1 lacks $2"
}
# Run-time dependencies come from dpkg-shlibdeps: whatever the binaries link
# (the shared library's own in the shared set).
has_field libqbxmllib5-dev Depends "libexpat1-dev.*zlib1g-dev.*libpcre2-dev.*qbxmllib5-tools \\(= $VERSION-1\\)"
has_file qbxmllib5-tools '\./usr/bin/qbxml$'
has_file qbxmllib5-tools '\./usr/bin/qbxsd$'
has_file qbxmllib5-tools '\./usr/share/man/man1/qbxml\.1\.gz$'
has_file qbxmllib5-tools '\./usr/share/man/man1/qbxsd\.1\.gz$'
has_file libqbxmllib5-dev '\./usr/include/QbXmlLib5/QbXmlLib5\.h$'
has_file libqbxmllib5-dev '/cmake/QbXmlLib5/QbXmlLib5Config\.cmake$'
has_file libqbxmllib5-dev '/cmake/QbXmlLib5/QbxsdGenerate\.cmake$'
has_file libqbxmllib5-dev '/pkgconfig/QbXmlLib5\.pc$'
if [ "$KIND" = shared ]; then
    has_file "libqbxmllib5-$MAJOR" "/libQbXmlLib5\\.so\\.$VERSION\$"
    has_field "libqbxmllib5-$MAJOR" Depends 'libexpat1 .*libpcre2-8-0 .*zlib1g'
    has_field qbxmllib5-tools Depends "libqbxmllib5-$MAJOR \\(= $VERSION-1\\)"
    has_file libqbxmllib5-dev '/libQbXmlLib5\.so -> '
else
    has_field qbxmllib5-tools Depends 'libexpat1 .*zlib1g'
    has_file libqbxmllib5-dev '/libQbXmlLib5\.a$'
fi

# Install, use, remove.
export DEBIAN_FRONTEND=noninteractive
# shellcheck disable=SC2046
apt-get install -y -qq --no-install-recommends $(for p in $PACKAGES; do deb "$p"; done) >/dev/null
trap 'apt-get purge -y -qq $PACKAGES >/dev/null' EXIT
[ "$(qbxsd --version)" = "qbxsd $VERSION" ] || fail "installed qbxsd --version: $(qbxsd --version)"
[ -f /usr/share/man/man1/qbxml.1.gz ] || fail "qbxml manual page not installed"
WORK=$(mktemp -d)
cmake -S "$SRC/examples/quickstart" -B "$WORK/cmake" >/dev/null
cmake --build "$WORK/cmake" >/dev/null
(cd "$WORK" && ./cmake/quickstart | grep -q "with 3 books") || fail "quick start (CMake)"
STATIC=--static
[ "$KIND" = shared ] && STATIC=
mkdir -p "$WORK/gen"
qbxsd -q -n Library -o "$WORK/gen" "$SRC/examples/quickstart/library.xsd"
# shellcheck disable=SC2046,SC2086
g++ -std=c++17 -I"$WORK/gen" -DQB_QUICKSTART_SAMPLE="\"$SRC/examples/quickstart/library.xml\"" \
    "$SRC/examples/quickstart/main.cpp" "$WORK/gen/library.cpp" -o "$WORK/pc-quickstart" \
    $(pkg-config --cflags --libs $STATIC QbXmlLib5)
(cd "$WORK" && ./pc-quickstart | grep -q "with 3 books") || fail "quick start (pkg-config)"
if [ "$KIND" = shared ]; then
    ldd "$WORK/pc-quickstart" | grep -Eq "libQbXmlLib5.so.$MAJOR => /(usr/)?lib/" ||
        fail "the quick start does not use the installed shared library"
fi
rm -rf "$WORK"
echo "packages ($KIND): $PACKAGES built, installed, used and removed"
