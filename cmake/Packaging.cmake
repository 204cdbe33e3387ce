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

# Debian wants a copyright file and a changelog in the package's documentation folder; the
# package is native (no Debian revision), so the changelog is changelog.gz.
include(GNUInstallDirs)
set(QUORLIK_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_PACKAGE_NAME})
execute_process(COMMAND date -u -R -d "${QUORLIK_RELEASE_DATE} 12:00"
  OUTPUT_VARIABLE QUORLIK_CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(${PROJECT_SOURCE_DIR}/cmake/copyright.in ${PROJECT_BINARY_DIR}/copyright @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/cmake/changelog.in ${PROJECT_BINARY_DIR}/changelog @ONLY)
find_program(QUORLIK_GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/changelog.gz
  COMMAND ${QUORLIK_GZIP} -9 -n -f -k ${PROJECT_BINARY_DIR}/changelog
  DEPENDS ${PROJECT_BINARY_DIR}/changelog
  COMMENT "Debian changelog"
  VERBATIM)
add_custom_target(quorlik_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/copyright ${PROJECT_BINARY_DIR}/changelog.gz
  DESTINATION ${QUORLIK_DOC_DIR})

include(CPack)
