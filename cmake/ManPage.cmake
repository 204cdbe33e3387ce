# Manual pages written by help2man from the built programs' --help, so that the page and the
# program can never disagree. Without help2man the pages are left out with a warning.
include(GNUInstallDirs)
find_program(QUORLIK_HELP2MAN help2man)
find_program(QUORLIK_GZIP gzip)
if(NOT QUORLIK_HELP2MAN OR NOT QUORLIK_GZIP)
  message(WARNING "help2man or gzip not found: the manual pages are not built")
endif()

# quorlik_man_page(<target> <one-line description>): <target>.1.gz in section 1, built with the
# program and installed beside it.
function(quorlik_man_page target description)
  if(NOT QUORLIK_HELP2MAN OR NOT QUORLIK_GZIP)
    return()
  endif()
  set(page ${CMAKE_CURRENT_BINARY_DIR}/${target}.1)
  # The program runs by its bare name from PATH, so the page shows "quorlik", not a build path;
  # help2man's default C locale would turn the Chinese name into question marks.
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E env "PATH=$<TARGET_FILE_DIR:${target}>:$ENV{PATH}"
      ${QUORLIK_HELP2MAN} --no-info --locale=C.UTF-8 --version-string=${PROJECT_VERSION}
      --name=${description}
      --output=${page} ${target}
    COMMAND ${QUORLIK_GZIP} -9 -n -f -k ${page}
    DEPENDS ${target}
    COMMENT "Manual page of ${target}"
    VERBATIM)
  add_custom_target(${target}_man ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
