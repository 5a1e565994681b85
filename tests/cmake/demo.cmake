# The README's demo: the bundled sample through qbxml to Fast Infoset and back.
if(TARGET qbxml)
  add_test(NAME demo_roundtrip
    COMMAND sh ${PROJECT_SOURCE_DIR}/examples/demo.sh $<TARGET_FILE:qbxml>
            ${PROJECT_SOURCE_DIR}/examples/data/sample.xml)
endif()
