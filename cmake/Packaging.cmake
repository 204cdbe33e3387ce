# `cpack -G DEB` in a build folder makes the Debian package of the program and the command-line
# encoder. Library dependencies are computed by dpkg-shlibdeps; the rest are data and plugins the
# programs load at run time, which no linker sees.
set(CPACK_PACKAGE_NAME quorlik)
set(CPACK_PACKAGE_VENDOR "Quorlik")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "QR Code generator with a Chinese interface")
# Lines under 80 columns, as dpkg shows them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Quorlik二维码 turns a text, an e-mail, a web bookmark, an SMS or a contact card"
  "into a QR Code picture as you type, with an optional centre logo, and saves it"
  "as PNG, JPG, GIF, TIFF or BMP or copies it. The interface is in Chinese."
  "The command-line encoder quorlik-qr makes single symbols and whole CSV batches"
  "for scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quorlik maintainers <maintainers@users.noreply.c-seed-5f85103c.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The CJK font draws the window and the pictures; the plugins read and write TIFF, show the
# window on X11 and translate Qt's own dialogs.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "fonts-noto-cjk, qt6-image-formats-plugins, qt6-qpa-plugins, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")

include(CPack)
