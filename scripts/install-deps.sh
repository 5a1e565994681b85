#!/bin/sh
# Installs, on Debian as root, every package needed to build QbXmlLib5 and to
# run its tests, benchmarks and CI. Does nothing when all are present.
#   --bench  also the competitors of the purchase-order benchmark
#            (CodeSynthesis XSD on Xerces-C, gSOAP)
set -e
PACKAGES="cmake make g++ clang libclang-rt-14-dev pkg-config libexpat1-dev zlib1g-dev
libpcre2-dev libgtest-dev libgmock-dev libbenchmark-dev libxml2-dev libpugixml-dev
python3 gzip default-jre-headless libfastinfoset-java libxml2-utils dpkg-dev file doxygen"
for arg in "$@"; do
    case "$arg" in
    --bench) PACKAGES="$PACKAGES xsdcxx libxerces-c-dev gsoap libgsoap-dev" ;;
    *)
        echo "usage: $0 [--bench]" >&2
        exit 2
        ;;
    esac
done
missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
        missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# shellcheck disable=SC2086
apt-get install -y -qq --no-install-recommends $missing >/dev/null
