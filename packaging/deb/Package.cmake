# The Debian package: `cpack -G DEB` in the build folder makes quorelbox_VERSION_ARCH.deb
# from what `cmake --install` lays out (scripts/package.sh builds and checks it).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorelbox)
set(CPACK_PACKAGE_VENDOR "The Quorelbox developers")
set(CPACK_PACKAGE_CONTACT ${QUORELBOX_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control panel for the ZX7140K audio processor")
# Debian shows the long description as written: lines of at most 80 characters.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Quorelbox reads the whole state of a ZX7140K digital audio signal processor"
  "over USB, shows it in one window and tunes every output live: volume, mute,"
  "phase, delay, crossovers, a 31-band equaliser, speaker roles, input routing"
  "and mix levels. It manages the ten scenes stored in the box and saves and"
  "loads profile files; quorelbox-cli does the same from the command line."
  "A udev rule lets the user logged in at the seat reach the box without root.")

# Stage with DESTDIR, so a rule folder given as an absolute path (udev's own) lands in the
# package and not on the machine that builds it. The package installs into /usr whatever
# prefix the build folder was configured with (CPack would take that prefix otherwise).
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from the binaries (dpkg-shlibdeps). Qt loads its display plugins at run
# time, so no library link names them: without them the window cannot open.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
# The skin asks for these fonts; without them the texts fall back to another face and may
# no longer fit their controls.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core, fonts-wqy-microhei")
# The dissector of --trace files and of captures of the box is read by Wireshark or tshark.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wireshark | tshark")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_LIST_DIR}/postinst ${CMAKE_CURRENT_LIST_DIR}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
