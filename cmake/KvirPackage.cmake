# The Debian package, made by "cmake --build BUILD --target package" (tools/build-package.sh
# does so with Debian's hardening flags): kvir-console_<version>_amd64.deb with the three
# programs, the sample notebooks and everything packaging/ installs. Its dependencies are
# computed by dpkg-shlibdeps from the programs' libraries.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kvir-console)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Лаборатория приборостроения")
set(CPACK_PACKAGE_CONTACT "Лаборатория приборостроения <support@kvir-lab.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "console for the notebook of KVIR measuring instruments")
set(CPACK_PACKAGE_DESCRIPTION [=[
The console works with the pH meter KVIR-510v2 and the concentration meter
KVIR-210v1 on a serial port: it identifies the instrument, downloads its
measurement notebook, shows it by folder or by date, exports and prints tagged
records, edits the folders, writes the notebook back and keeps an activity
protocol. Its interface is in Russian.

Also included: kvir-cli, which checks a serial link and reads a notebook from
scripts, and kvir-sim, a simulated instrument on a pseudo-terminal, with sample
notebooks for both models.]=])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://kvir-lab.example/kvir-console/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own Russian texts (file and print dialogs, the edit menu of text fields); without
# them the console runs with Qt's English. The platform plugin and the SQLite driver are
# loaded at run time and so escape dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, qt6-qpa-plugins, libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

include(CPack)
