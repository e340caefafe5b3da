#!/usr/bin/env bash
# Checks what a Release build installs and packages: installs it into a temporary prefix,
# validates the desktop entry and the metainfo, builds the MIME database there and asks gio for
# the type of a book and of a note, then builds the Debian package, lists it and runs lintian.
#   scripts/check-install.sh RELEASE-BUILD-DIR
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
[ $# -eq 1 ] || { echo "usage: $0 RELEASE-BUILD-DIR" >&2; exit 2; }
build="$(cd "$1" && pwd)" || exit 2

# The package is what users install: never from a debug or sanitizer build.
cache="$build/CMakeCache.txt"
if ! grep -qx 'CMAKE_BUILD_TYPE:STRING=Release' "$cache" \
    || grep -qx 'QB_SANITIZE:BOOL=ON' "$cache"; then
    echo "$build is not a Release build without sanitizers" >&2
    exit 2
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
share="$prefix/share"
id=org.quirebox.Quirebox
passed=0
failed=0

# check WHAT COMMAND...: runs the command and counts it; its output shows only when it fails.
check() {
    local what="$1"
    shift
    if "$@" >"$work/output" 2>&1; then
        passed=$((passed + 1))
        echo "ok   $what"
    else
        failed=$((failed + 1))
        echo "FAIL $what"
        sed 's/^/     /' "$work/output"
    fi
}

all_installed() {
    local file status=0
    for file in bin/quirebox "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml" \
        "share/mime/packages/$id.xml" "share/icons/hicolor/scalable/apps/$id.svg" \
        share/man/man1/quirebox.1.gz share/doc/quirebox/copyright \
        share/doc/quirebox/changelog.gz; do
        [ -s "$prefix/$file" ] || { echo "missing: $file"; status=1; }
    done
    return "$status"
}

# Every PNG icon is as wide and as high as the size its directory names.
icons_sized() {
    local size png found=0 status=0
    for png in "$share"/icons/hicolor/*x*/apps/"$id".png; do
        [ -f "$png" ] || continue
        found=$((found + 1))
        size="$(basename "$(dirname "$(dirname "$png")")")"
        # A PNG's width and height are the two big-endian words at byte 16.
        read -r width height < <(od -An -j16 -N8 --endian=big -tu4 "$png")
        [ "${width}x${height}" = "$size" ] || { echo "$png is ${width}x${height}"; status=1; }
    done
    [ "$found" -ge 2 ] || { echo "only $found PNG icons"; status=1; }
    return "$status"
}

# Exactly the type gio sees for a file, with the installed MIME database first in its search.
type_is() {
    local expected="$1" file="$2" actual
    actual="$(XDG_DATA_HOME="$work/data-home" XDG_DATA_DIRS="$share:/usr/share" \
        gio info -a standard::content-type "$file" | sed -n 's/^ *standard::content-type: //p')"
    echo "$file: $actual"
    [ "$actual" = "$expected" ]
}

# The package, its program and the metainfo tell one version: 3.01.25, "Quirebox 3.01.0025"
# and release 3.01.
versions_agree() {
    local deb="$1" version major minor revision shown
    version="$(dpkg-deb -f "$deb" Version)"
    IFS=. read -r major minor revision <<<"$version"
    dpkg-deb -x "$deb" "$work/unpacked" || return 1
    shown="$(env -u DISPLAY -u WAYLAND_DISPLAY "$work/unpacked/usr/bin/quirebox" --version)"
    echo "package $version, program '$shown'"
    [ "$shown" = "$(printf 'Quirebox %s.%s.%04d' "$major" "$minor" "$revision")" ] \
        && grep -q "<release version=\"$major.$minor\"" "$share/metainfo/$id.metainfo.xml"
}

# Qt loads its SVG reader and its window system platforms as plugins, which dpkg-shlibdeps
# cannot see; the rest comes from the binary.
depends_complete() {
    local depends package status=0
    depends="$(dpkg-deb -f "$1" Depends)"
    echo "Depends: $depends"
    for package in libqt6svg6 qt6-qpa-plugins libqt6widgets6 libc6; do
        [[ ", $depends," == *", $package"[\ ,]* ]] || { echo "no $package"; status=1; }
    done
    return "$status"
}

check "cmake --install into a temporary prefix" cmake --install "$build" --prefix "$prefix"
check "every file is installed" all_installed
check "the PNG icons have their directory's size" icons_sized
check "the desktop entry is valid" desktop-file-validate "$share/applications/$id.desktop"
check "the desktop entry opens books" \
    grep -qx 'MimeType=application/x-quirebox-book;' "$share/applications/$id.desktop"
check "the metainfo is valid" appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml"
check "the metainfo, the desktop entry and the icon agree" \
    appstreamcli validate-tree --no-net "$prefix"
check "the MIME database builds" update-mime-database "$share/mime"

mkdir -p "$work/files"
cp "$here/examples/demo.qb" "$work/files/book without extension"
cp "$here/examples/Recipes/Crepes.txt" "$work/files/Crepes.txt"
printf 'Not a book yet\r\n' >"$work/files/Draft.qb"
check "a .qb file is a Quirebox book by its name" \
    type_is application/x-quirebox-book "$work/files/Draft.qb"
check "a book is known by its first line without .qb" \
    type_is application/x-quirebox-book "$work/files/book without extension"
check "a .txt note is plain text" type_is text/plain "$work/files/Crepes.txt"

make_package() { (cd "$build" && cpack -G DEB); }

rm -f "$build"/quirebox_*.deb
check "cpack -G DEB" make_package
debs=("$build"/quirebox_*.deb)
deb="${debs[0]}"
if [ -f "$deb" ]; then
    echo "$(basename "$deb"):"
    dpkg-deb -c "$deb" | sed 's/^/     /'
    check "the packaged program runs and agrees on the version" versions_agree "$deb"
    check "the package depends on Qt and its plugins" depends_complete "$deb"
    # lintian's findings show whether or not it fails; only an error fails the check.
    lintian --fail-on error "$deb" >"$work/lintian" 2>&1
    status=$?
    grep -v 'root privileges' "$work/lintian" | sed 's/^/     lintian: /'
    check "lintian finds no error" test "$status" -eq 0
fi

echo "install: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
