# Command-line checks of the qbxml tool (needs bash, gzip, iconv and od).
if(TARGET qbxml)
  add_test(NAME qbxml_cli
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tools/qbxml_cli_test.sh $<TARGET_FILE:qbxml>
            ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(qbxml_cli PROPERTIES LABELS tools)
endif()

# qbxml against Java's Fast Infoset implementation (see fastinfoset_interop),
# judged by xmllint's canonical form; skipped when either is missing.
if(TARGET qbxml)
  add_test(NAME qbxml_interop
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tools/qbxml_interop_test.sh $<TARGET_FILE:qbxml>
            ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR} "${QB_JAVA}" ${QB_FASTINFOSET_JAR})
  set_tests_properties(qbxml_interop PROPERTIES LABELS "tools;interop" SKIP_RETURN_CODE 77)
endif()
