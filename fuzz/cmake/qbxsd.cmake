# fuzz_qbxsd: the schema compiler on hostile schemas, seeded with the schemas
# of the examples and the corpus.
qb_add_fuzzer(qbxsd ${PROJECT_SOURCE_DIR}/fuzz/fuzz_qbxsd.cpp)
target_link_libraries(fuzz_qbxsd PRIVATE qbxsd_core)
target_compile_options(qbxsd_core PRIVATE -fsanitize=fuzzer-no-link)
