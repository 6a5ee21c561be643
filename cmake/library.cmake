# The converter library for other programs: `find_package(romcast)` gives the
# target romcast::romcast with the header <romcast/romcast.h>.
include(CMakePackageConfigHelpers)

install(TARGETS romcastcore EXPORT romcastTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/romcast/romcast.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/romcast)
install(EXPORT romcastTargets NAMESPACE romcast:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/romcast)

file(WRITE ${PROJECT_BINARY_DIR}/romcastConfig.cmake.in
  "@PACKAGE_INIT@\ninclude(\"\${CMAKE_CURRENT_LIST_DIR}/romcastTargets.cmake\")\n")
configure_package_config_file(${PROJECT_BINARY_DIR}/romcastConfig.cmake.in ${PROJECT_BINARY_DIR}/romcastConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/romcast)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/romcastConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/romcastConfig.cmake ${PROJECT_BINARY_DIR}/romcastConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/romcast)
