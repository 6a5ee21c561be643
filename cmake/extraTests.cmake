# Tests that are scripts rather than unit tests.

# The manual page describes every option, and the parser knows every option
# the manual describes.
add_test(NAME docs.manualOptions
  COMMAND sh ${PROJECT_SOURCE_DIR}/tests/docs/manualOptions.sh page ${PROJECT_SOURCE_DIR})
add_test(NAME docs.parserOptions
  COMMAND sh ${PROJECT_SOURCE_DIR}/tests/docs/manualOptions.sh parser ${PROJECT_SOURCE_DIR})
set_tests_properties(docs.parserOptions PROPERTIES SKIP_RETURN_CODE 77)
