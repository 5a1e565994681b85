# tools_qbxsd_test runs the schema compiler it was built with.
target_compile_definitions(tools_qbxsd_test PRIVATE QB_QBXSD_PATH="$<TARGET_FILE:qbxsd>")
add_dependencies(tools_qbxsd_test qbxsd)
# The component stage of the schema compiler, tested on its own.
target_link_libraries(tools_qbxsd_components_test PRIVATE qbxsd_core)
