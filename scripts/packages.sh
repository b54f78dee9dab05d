#!/bin/sh
# Builds the Debian packages (libvandrel1, libvandrel-dev, vandrel-tools,
# python3-vandrel, wireshark-vandrel, ansible-vandrel-fleet) in build-deb/,
# from a build for /usr with the flags of Debian's own builds (hardening
# included), and the Ansible collection's tarball for ansible-galaxy, in
# build-deb/ansible/; then lists them, with where they are and how to install
# them.
. "$(dirname "$0")/help.sh"
set -e
cd "$(dirname "$0")/.."
BUILD=${BUILD_DEB:-build-deb}
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
ldflags=$(dpkg-buildflags --get LDFLAGS)
echo "configuring and building for /usr in $BUILD/ ..."
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DVANDREL_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$BUILD" -j "$(nproc)" >/dev/null
rm -f "$BUILD"/*.deb
echo "packing with CPack ..."
(cd "$BUILD" && cpack -G DEB > cpack.log 2>&1) || { cat "$BUILD/cpack.log"; exit 1; }
where=$(cd "$BUILD" && pwd)
echo "built in $where/:"
for deb in "$where"/*.deb; do
  echo "  $(basename "$deb")  ($(du -k "$deb" | cut -f1) kB)"
done
echo "install them with: apt install $where/*.deb  (or dpkg -i on all of them)"
