# What `cmake --install` puts on a machine, and the Debian package made of it
# (`make package`, or `cpack -G DEB` in the build directory).
include(GNUInstallDirs)

# The manual page, compressed as man expects it when gzip is at hand.
find_program(ROMCAST_GZIP gzip)
set(ROMCAST_MANUAL ${PROJECT_SOURCE_DIR}/docs/romcast.1)
if(ROMCAST_GZIP)
  set(ROMCAST_MANUAL_GZ ${PROJECT_BINARY_DIR}/romcast.1.gz)
  add_custom_command(OUTPUT ${ROMCAST_MANUAL_GZ}
    COMMAND ${ROMCAST_GZIP} -9 -n -c ${ROMCAST_MANUAL} > ${ROMCAST_MANUAL_GZ}
    DEPENDS ${ROMCAST_MANUAL}
    COMMENT "Compressing the manual page")
  add_custom_target(romcast_manual ALL DEPENDS ${ROMCAST_MANUAL_GZ})
  install(FILES ${ROMCAST_MANUAL_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  install(FILES ${ROMCAST_MANUAL} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

install(FILES ${PROJECT_SOURCE_DIR}/packaging/romcast.bash-completion
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
  RENAME romcast)

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
code and protect byte into the image.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "romcast developers <romcast@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
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
