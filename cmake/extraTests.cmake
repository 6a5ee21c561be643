# Tests that are scripts rather than unit tests.

# The manual page, the bash completion and romcast name the same options.
add_test(NAME docs.manualOptions
  COMMAND sh ${PROJECT_SOURCE_DIR}/tests/docs/manualOptions.sh ${PROJECT_SOURCE_DIR} $<TARGET_FILE:romcast>)

# The installed library, found by a project of its own (examples/embed). Not
# in the sanitizer build, whose library only links with the sanitizers' runtime.
if(NOT ROMCAST_SANITIZE)
  add_test(NAME library.package
    COMMAND sh ${PROJECT_SOURCE_DIR}/tests/api/package.sh ${PROJECT_BINARY_DIR} ${PROJECT_SOURCE_DIR}
      $<TARGET_FILE:modasm> $<TARGET_FILE:romcast>)
endif()

# The commands of the README, typed in order, work and print what it shows.
if(TARGET modasm AND TARGET modinspect)
  add_test(NAME docs.readmeCommands
    COMMAND sh ${PROJECT_SOURCE_DIR}/tests/docs/readmeCommands.sh ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})
endif()

# modinspect's summary, pre-flight check and module text (tests/inspector).
if(TARGET modasm AND TARGET modinspect)
  add_test(NAME inspector.transcript
    COMMAND sh ${PROJECT_SOURCE_DIR}/tests/inspector/transcript.sh
      $<TARGET_FILE:modasm> $<TARGET_FILE:modinspect> ${PROJECT_SOURCE_DIR})
endif()

# The layers of src/ look one way (tests/layers/includeLoops.sh).
add_test(NAME layers.includeLoops
  COMMAND sh ${PROJECT_SOURCE_DIR}/tests/layers/includeLoops.sh ${PROJECT_SOURCE_DIR})

# The memory map as headless Chromium builds it (tests/map/inBrowser.sh);
# skipped where Chromium is not installed (make check installs it).
if(TARGET modasm AND TARGET modinspect)
  add_test(NAME map.inBrowser
    COMMAND sh ${PROJECT_SOURCE_DIR}/tests/map/inBrowser.sh
      $<TARGET_FILE:modasm> $<TARGET_FILE:modinspect> $<TARGET_FILE:romcast> ${PROJECT_SOURCE_DIR})
  set_tests_properties(map.inBrowser PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)
endif()
