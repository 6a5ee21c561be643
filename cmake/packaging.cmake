# What `cmake --install` puts on a machine, and the Debian package made of it
# (`make package`, or `cpack -G DEB` in the build directory).
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

set(CPACK_PACKAGE_NAME romcast)
set(CPACK_PACKAGE_VENDOR "romcast developers")
set(CPACK_PACKAGE_CONTACT "romcast developers <romcast@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "IEEE 695 load module to S-record, Intel HEX and binary image converter")
set(CPACK_PACKAGE_DESCRIPTION
  "romcast reads an absolute load module in the IEEE 695 object format for the
TQ40 and TQ8 microcontroller families and writes the memory image it loads as
Motorola S-records, Intel HEX or a raw binary image. It can limit the image to
an address range, fill gaps, set the entry address, and place the chip's ID
code and protect byte into the image. modinspect summarises a module and
checks it before a conversion.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "romcast developers <romcast@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS bash-completion)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The library versions come from the binary when dpkg-shlibdeps can tell them.
find_program(ROMCAST_SHLIBDEPS dpkg-shlibdeps)
if(ROMCAST_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34), libstdc++6 (>= 12), libgcc-s1 (>= 3.0)")
endif()

set(CPACK_GENERATOR DEB)
include(CPack)
