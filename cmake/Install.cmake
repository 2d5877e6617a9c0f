# What `cmake --install` puts where (under CMAKE_INSTALL_PREFIX, and DESTDIR when set), and the
# Debian package made of the same files (cpack -G DEB; scripts/package.sh).
#
#   bin/kestrum, bin/zoqtool, bin/vantrel         the player, its command-line companion, the disc menu
#   lib/kestrum/Oskaret.exe                       the stand-in disc writer the player starts
#   lib/kestrum/Vantrel.Exe -> ../../bin/vantrel  the disc menu under the name a disc gives it
#   share/applications/kestrum.desktop            the menu entry; opens .ZOQ files
#   share/mime/packages/kestrum.xml               the application/x-zoq type, by name and by content
#   share/icons/hicolor/scalable/apps/kestrum.svg the icon
#   share/man/man1/kestrum.1.gz, zoqtool.1.gz, vantrel.1.gz   the manual pages
#   share/bash-completion/completions/zoqtool     zoqtool's commands, options and files for bash
#   share/doc/kestrum/README.md
#   lib/udev/rules.d/70-kestrum-foot-pedal.rules  the seated user may read a foot pedal (uaccess)

install(TARGETS kestrum zoqtool vantrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(PROGRAMS ${CMAKE_SOURCE_DIR}/tools/disc/Oskaret.exe DESTINATION ${KESTRUM_INSTALL_HELPERDIR})
# A relative link, so the tree can be unpacked anywhere; the player copies the file it leads to.
file(RELATIVE_PATH kestrum_menu_target /prefix/${KESTRUM_INSTALL_HELPERDIR} /prefix/${CMAKE_INSTALL_BINDIR}/vantrel)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install)
file(CREATE_LINK ${kestrum_menu_target} ${CMAKE_BINARY_DIR}/install/Vantrel.Exe SYMBOLIC)
install(FILES ${CMAKE_BINARY_DIR}/install/Vantrel.Exe DESTINATION ${KESTRUM_INSTALL_HELPERDIR})

set(kestrum_desktop ${CMAKE_SOURCE_DIR}/docs/desktop)
install(FILES ${kestrum_desktop}/kestrum.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${kestrum_desktop}/kestrum-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME kestrum.xml)
install(FILES ${kestrum_desktop}/kestrum.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${kestrum_desktop}/70-kestrum-foot-pedal.rules DESTINATION lib/udev/rules.d)

# Manual pages go compressed, as Debian keeps them (-n: no name or time in the header, so the
# same page always compresses to the same bytes).
find_program(GZIP_PROGRAM gzip REQUIRED)
set(kestrum_manual_pages)
foreach(page kestrum.1 zoqtool.1 vantrel.1)
  set(compressed ${CMAKE_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${GZIP_PROGRAM} -9nc ${CMAKE_SOURCE_DIR}/docs/man/${page} > ${compressed}
    DEPENDS ${CMAKE_SOURCE_DIR}/docs/man/${page}
    VERBATIM)
  list(APPEND kestrum_manual_pages ${compressed})
endforeach()
add_custom_target(manual_pages ALL DEPENDS ${kestrum_manual_pages})
install(FILES ${kestrum_manual_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Where bash-completion looks for a command's completion when it is first completed.
install(FILES ${CMAKE_SOURCE_DIR}/tools/zoqtool/zoqtool.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME zoqtool)

install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# --- the Debian package ------------------------------------------------------------------------

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrum)
set(CPACK_PACKAGE_VENDOR Kestrum)
set(CPACK_PACKAGE_CONTACT "Kestrum developers <kestrum@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "player for recorded telephone calls (.ZOQ files)")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Kestrum opens one recorded call, shows its details and plays it, with comments, keywords, "
    "a waveform view and listening aids. zoqtool reads, annotates, indexes, searches and converts "
    "recordings from the command line; vantrel is the menu of an exported disc.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
# Depends: what the programs' shared libraries come from (dpkg-shlibdeps), and libavfilter, which
# the player loads at run time for its listening aids, where dpkg-shlibdeps cannot see it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
find_package(PkgConfig REQUIRED)
pkg_check_modules(KESTRUM_AVFILTER REQUIRED libavfilter)
string(REGEX MATCH "^[0-9]+" kestrum_avfilter_major "${KESTRUM_AVFILTER_VERSION}")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libavfilter${kestrum_avfilter_major}")
# The stand-in disc writer makes disc images with xorriso (without it: WAV and CUE sheets only).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xorriso)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Stripped: the debug information of a RelWithDebInfo build would make the package ten times larger.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
include(CPack)
