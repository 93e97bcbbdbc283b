# `cpack -G DEB` in the build folder makes velmora_VERSION_ARCH.deb from the install rules.
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR Brimvale)
set(CPACK_PACKAGE_CONTACT "Velmora developers <velmora@brimvale.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "analyser and byte-exact editor for MPEG-2 video elementary streams")
set(CPACK_PACKAGE_DESCRIPTION
    "Velmora analyses MPEG-2 video elementary streams (MPEG-1 video too) header by header and edits them without re-encoding: cuts between pictures, one file per GOP, foreign data stripped, the sequence end code set or removed. It comes as a Qt 6 desktop program, velmora, and a command line for scripts, velmora-cli, with JSON output.")
set(CPACK_GENERATOR DEB)
# Installed through DESTDIR into /usr: the install step then leaves the desktop's MIME and
# application databases alone, and on the installed system dpkg's triggers refresh them.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")
include(CPack)
