# What `cmake --install` puts on a machine besides the programs and the
# library; the Debian packages (debian/, `make package`) are made of it.
include(GNUInstallDirs)

# The manual pages, compressed as man expects them when gzip is at hand, and
# the bash completions: romcast's, and modinspect's (installed by tools/).
find_program(ROMCAST_GZIP gzip)
foreach(program romcast modinspect)
  set(manual ${PROJECT_SOURCE_DIR}/docs/${program}.1)
  if(ROMCAST_GZIP)
    set(manualGz ${PROJECT_BINARY_DIR}/${program}.1.gz)
    add_custom_command(OUTPUT ${manualGz}
      COMMAND ${ROMCAST_GZIP} -9 -n -c ${manual} > ${manualGz}
      DEPENDS ${manual}
      COMMENT "Compressing the manual page of ${program}")
    add_custom_target(${program}_manual ALL DEPENDS ${manualGz})
    install(FILES ${manualGz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  else()
    install(FILES ${manual} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/${program}.bash-completion
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
    RENAME ${program})
endforeach()
