# fuzz_xsdregex: XML Schema patterns (translation, compilation, matching)
# under libFuzzer.
qb_add_fuzzer(xsdregex ${CMAKE_CURRENT_LIST_DIR}/../fuzz_xsdregex.cpp)
