# `cpack -G DEB` in a release build makes tessarn_<version>_amd64.deb: both
# programs, the help, the icon and the desktop entry under /usr, with the shared
# libraries they need found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessarn)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tessarn")
set(CPACK_PACKAGE_CONTACT "Tessarn developers <tessarn@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "批量文件更名器，支持MP3标签命名与撤消")
set(CPACK_PACKAGE_DESCRIPTION
    "Tessarn is a batch file renamer for the desktop and the command line: numbering,\n\
find and replace, insertion, letter case and names from MP3 (ID3) tags, with a\n\
preview beside the old names, an undo of the last run and an ID3 tag editor.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own Chinese buttons and dialogs, and a viewer for the help page.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, xdg-utils")
include(CPack)
