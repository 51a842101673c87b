# The Debian package:  cmake --build build --target package   (writes build/regalon_<version>_<arch>.deb)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME regalon)
set(CPACK_PACKAGE_VENDOR "Projekt Regalon")
set(CPACK_PACKAGE_CONTACT "${REGALON_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "catalogue of items, their storage places and documents")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${REGALON_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so the computed dependencies cannot see them: the engine behind the link,
# the fonts the reports ask for, a proportional sans family for the windows (with Liberation
# alone fontconfig draws them in Liberation Mono), and the Qt plugin that draws the SVG icons.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsqlite3-0, fonts-liberation, fonts-dejavu-core, libqt6svg6")
# The launcher that opens documents and the help, and Qt's Wayland platform plugin.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, xdg-utils, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# CPack puts the summary in front and indents the lines; an empty line parts two paragraphs.
set(CPACK_PACKAGE_DESCRIPTION "Regalon keeps a catalogue of the things a user files away (materials, parts,
anything) in a tree of groups. Every item has a designation, a description,
a storage place, a main document and a free text with clickable links to
files and web pages.

A bzip2-packed copy of every document lives inside the one SQLite catalogue
file, so a document still opens after its file has gone, and a backup file
carries everything. Lists of items print through a preview window. The user
interface is in Czech; catalogue files of the older Windows program open
unchanged.")

include(CPack)
