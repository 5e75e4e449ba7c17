#!/usr/bin/env bash
# Builds the Debian package of Kurvex: a release build with the prefix /usr
# in build-package/, then CPack. The .deb lands in build-package/.
#   scripts/package.sh            build the package
#   scripts/package.sh --check    also run lintian on it (when installed)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${KURVEX_PACKAGE_BUILD:-build-package}
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi

# Debian's hardening flags (stack protector, fortified functions, RELRO),
# taken by CMake when it first configures the build folder.
if command -v dpkg-buildflags >/dev/null; then
  CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
  LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
  export CXXFLAGS LDFLAGS
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DKURVEX_BUILD_TESTS=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j2
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/kurvex_*.deb | head -1)
echo "$deb"
if [ "${1:-}" = "--check" ] && command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 "$deb"
fi
