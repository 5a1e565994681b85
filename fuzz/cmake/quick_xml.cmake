# Differential libFuzzer target: the quick XML reader against Expat, seeded
# from fuzz/corpus/quick_xml/.
qb_add_fuzzer(quick_xml ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_quick_xml.cpp)
target_include_directories(fuzz_quick_xml PRIVATE ${PROJECT_SOURCE_DIR}/tests)
