# Command-line checks of the qbxml tool (needs bash, gzip, iconv and od).
if(TARGET qbxml)
  add_test(NAME qbxml_cli
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tools/qbxml_cli_test.sh $<TARGET_FILE:qbxml>
            ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(qbxml_cli PROPERTIES LABELS tools)
endif()
