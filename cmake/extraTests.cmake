# Tests that are scripts rather than unit tests.

# The manual page describes every option, and the parser knows every option
# the manual describes.
add_test(NAME docs.manualOptions
  COMMAND sh ${PROJECT_SOURCE_DIR}/tests/docs/manualOptions.sh page ${PROJECT_SOURCE_DIR})
add_test(NAME docs.parserOptions
  COMMAND sh ${PROJECT_SOURCE_DIR}/tests/docs/manualOptions.sh parser ${PROJECT_SOURCE_DIR})
set_tests_properties(docs.parserOptions PROPERTIES SKIP_RETURN_CODE 77)

# modinspect prints every module of the suite, and damaged copies of each, as
# module text that modasm turns back into the same bytes.
if(TARGET modasm AND TARGET modinspect)
  add_test(NAME inspector.roundTrip
    COMMAND sh ${PROJECT_SOURCE_DIR}/tests/inspector/roundTrip.sh
      $<TARGET_FILE:modasm> $<TARGET_FILE:modinspect> ${PROJECT_SOURCE_DIR})
endif()

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

# modinspect's summary and pre-flight check on modules shaped like a linker's.
if(TARGET modasm AND TARGET modinspect)
  add_test(NAME inspector.summaryAndCheck
    COMMAND sh ${PROJECT_SOURCE_DIR}/tests/inspector/summaryAndCheck.sh
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
