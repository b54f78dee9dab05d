#!/bin/sh
# The install stage of the full run: installs the build into a staging
# prefix and uses it as a host would, from C, CMake, Python and the shell
# (tests/install/install_test.sh); then builds the Debian packages and
# installs them on a throwaway copy of this machine
# (tests/install/packages_test.sh). Both run in private namespaces.
. "$(dirname "$0")/help.sh"
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh python3-venv python3-setuptools python3-wheel man-db lintian dpkg-dev fakeroot file
BUILD=${BUILD:-build}
sh scripts/build.sh >/dev/null
sh scripts/in-netns.sh sh tests/install/install_test.sh "$BUILD"
sh scripts/packages.sh
sh scripts/in-netns.sh unshare -m sh tests/install/packages_test.sh "${BUILD_DEB:-build-deb}"
