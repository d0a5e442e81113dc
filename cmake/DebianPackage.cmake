# `cpack -G DEB` in a release build makes tessarn_<version>_amd64.deb: both
# programs, the help, the icon and the desktop entry under /usr, with the shared
# libraries they need found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessarn)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tessarn")
set(CPACK_PACKAGE_CONTACT "Tessarn developers <tessarn@users.noreply.github.com>")
# Debian's synopsis and description are English; the Chinese texts are in the
# desktop entry and the AppStream metainfo.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch file renamer with names from MP3 tags and an undo")
set(CPACK_PACKAGE_DESCRIPTION
    "Tessarn renames many files in one run, from a window or the command line.\n\
Its rules number files, find and replace text (also with regular\n\
expressions), insert text, change letter case and build names from MP3\n\
(ID3) tags. The new names are shown beside the old ones before anything\n\
changes, a run can be undone from a history that survives crashes, and an\n\
ID3 tag editor changes only the fields that are edited.\n\
.\n\
The user interface is in Simplified Chinese.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own Chinese buttons and dialogs, and a viewer for the help page.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, xdg-utils")
# Debian's policy files: the copyright and a compressed changelog (without a time
# stamp in the gzip header, so the package is reproducible).
set(deb_doc ${CMAKE_INSTALL_DATADIR}/doc/tessarn)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/changelog.gz
  COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/cmake/debian/changelog > ${PROJECT_BINARY_DIR}/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/cmake/debian/changelog VERBATIM)
add_custom_target(debian_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/copyright ${PROJECT_BINARY_DIR}/changelog.gz
        DESTINATION ${deb_doc})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
