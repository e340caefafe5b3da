#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need, when any is missing.
# Sourced by run.sh and test.sh.

qb_packages=(
    cmake ninja-build g++ pkg-config git
    clang-format             # test.sh checks every C++ file is formatted
    qt6-base-dev qt6-base-dev-tools libgl-dev
    qt6-base-private-dev     # reads the editor's text in place (editor/DocumentText.cpp)
    libqt6svg6               # draws the SVG toolbar pictures and icons
    qt6-qpa-plugins          # the offscreen and xcb platforms
    libsodium-dev            # the age format's cryptography and secret memory (encoder/AgeFile.cpp)
    age                      # the tests open its files and it opens ours (tests/test_age.cpp)
    poppler-utils            # pdftotext reads the exported PDFs back (tests/test_printing.cpp)
    syncthing                # two instances make a real conflict copy (tests/test_syncthing.cpp)
    libbenchmark-dev         # bench/
    libzstd-dev              # compresses the kept versions of notes (keeping/VersionCodec.cpp)
    libdtl-dev               # the line diff beside a kept version (keeping/LineDiff.cpp)
    libgit2-dev              # merges two versions of a note in memory (notes/NoteMerge.cpp)
    libhunspell-dev          # the spelling checker's engine (editor/HunspellChecker.cpp)
    hunspell-en-us           # an English dictionary, so that spelling is checked out of the box
    ripgrep                  # the benchmarks' baseline for Find in Book, beside GNU grep
    xvfb xauth xdotool x11-utils  # the smoke test's real window
    libx11-dev libxtst-dev libxdamage-dev  # bench/outside_probe: real keys (XTest), repaints (DAMAGE)
    clang libclang-rt-14-dev llvm  # the fuzz targets: libFuzzer, and readable stack traces
    fonts-dejavu-core
    fonts-freefont-ttf       # FreeMono draws the editor's stand-ins (U+240D, U+240A, U+2424)
    fonts-liberation2        # Liberation Mono, with Courier New's metrics, where that is missing
    desktop-file-utils appstream  # validate the desktop entry and the metainfo
    shared-mime-info libglib2.0-bin  # the .qb file type: build a MIME database, ask gio for a type
    dpkg-dev lintian         # the Debian package: its dependencies (dpkg-shlibdeps), its checks
)

qb_install_missing() {
    local missing=()
    local pkg
    for pkg in "${qb_packages[@]}"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
}
