# The converter library for other programs: `find_package(romcast)` gives the
# target romcast::romcast with the header <romcast/romcast.h>, and
# `pkg-config romcast` the flags for the same. Both say its licence, MIT.
include(CMakePackageConfigHelpers)

install(TARGETS romcastcore EXPORT romcastTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/romcast/romcast.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/romcast)
install(EXPORT romcastTargets NAMESPACE romcast:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/romcast)

file(WRITE ${PROJECT_BINARY_DIR}/romcastConfig.cmake.in
  "# romcast @PROJECT_VERSION@, under the MIT licence (LICENSE in its sources).\n"
  "@PACKAGE_INIT@\nset(romcast_LICENSE MIT)\n"
  "include(\"\${CMAKE_CURRENT_LIST_DIR}/romcastTargets.cmake\")\n")
configure_package_config_file(${PROJECT_BINARY_DIR}/romcastConfig.cmake.in ${PROJECT_BINARY_DIR}/romcastConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/romcast)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/romcastConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/romcastConfig.cmake ${PROJECT_BINARY_DIR}/romcastConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/romcast)

# The pkg-config file gives the library's and the header's directories relative
# to its prefix where they lie under it.
foreach(dir LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
    set(ROMCAST_PC_${dir} "${CMAKE_INSTALL_${dir}}")
  else()
    set(ROMCAST_PC_${dir} "\${prefix}/${CMAKE_INSTALL_${dir}}")
  endif()
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/cmake/romcast.pc.in ${PROJECT_BINARY_DIR}/romcast.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/romcast.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
