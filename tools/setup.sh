#!/usr/bin/env bash
# Installs the Debian packages the project needs (only those missing) and
# builds the extension in-tree under build/.  Used by run-tests and run-example.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(python3 python3-dev python3-wxgtk4.0 python3-serial python3-watchdog
          pybind11-dev meson ninja-build python3-mesonpy python3-pip python3-venv
          python3-pytest python3-pytest-xvfb python3-hypothesis python3-mypy python3-sphinx
          xvfb xauth g++ pkg-config locales strace python3-greenlet)
# Debian 11 has no meson-python: the in-tree build needs only meson, and the
# wheel test is skipped there.
if grep -qx 'VERSION_ID="11"' /etc/os-release 2>/dev/null; then
    kept=()
    for p in "${PACKAGES[@]}"; do [ "$p" = python3-mesonpy ] || kept+=("$p"); done
    PACKAGES=("${kept[@]}")
fi

# msgfmt compiles the translation catalogs; the font draws Chinese text.
PACKAGES+=(gettext fonts-wqy-microhei)
missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "installing: ${missing[*]}"
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=300 install -y -qq --no-install-recommends "${missing[@]}"
fi

# Debian's interpreter is the one that has wx; never the first python3 on PATH.
PY=/usr/bin/python3
BUILD=${KVT_BUILD_DIR:-build}
if [ ! -f "$BUILD/build.ninja" ]; then
    options=()
    # python.install_env is meson 0.62's; Debian 11's meson is older.
    if dpkg --compare-versions "$(meson --version)" ge 0.62; then
        options+=(-Dpython.install_env=auto)
    fi
    meson setup "$BUILD" "${options[@]}" --native-file tools/native.ini ${KVT_MESON_ARGS:-}
fi
meson compile -C "$BUILD"
