# Sourced by the tests of the release archive, which all take <build-dir> <unpacked-archive> <work-dir> <version>.
set -euo pipefail
build=$1 archive=$2 work=$3 version=$4
ship=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source=$(cd "$ship/../.." && pwd)
export CORVELIN_WINE_ROOT=$build  # the hosts run outside the build tree, under its Wine prefix
