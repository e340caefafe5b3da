# The Debian package: `cpack -G DEB` in a Release build directory. Its version is the program's
# as the program shows it: 3.01, revision 25.
string(REGEX REPLACE "^([0-9])$" "0\\1" qb_minor "${PROJECT_VERSION_MINOR}")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quirebox)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION_MAJOR}.${qb_minor}.${PROJECT_VERSION_PATCH}")
set(CPACK_PACKAGE_VENDOR "The Quirebox project")
set(CPACK_PACKAGE_CONTACT "The Quirebox project <quirebox@example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://quirebox.example.org")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "note manager for plain-text notes in folders and books")
set(CPACK_PACKAGE_DESCRIPTION
    "Quirebox keeps notes as ordinary text files in ordinary directories.
Up to thirty directories, each shown as a folder, make a book: a
small .qb file that can be moved together with its folders. One window holds
a folder selector, a note selector and the editor; notes can be searched
and encoded with a keyword, and they are written back byte for byte.")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its SVG reader and its window system platforms as plugins, which no library link
# shows to dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-qpa-plugins")
# The pictures the editor shows for characters it cannot hold as they are.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-freefont-ttf, fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
