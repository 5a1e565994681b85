# libFuzzer target for CXmlDocument::LoadXmlStream. Included by
# fuzz/CMakeLists.txt, which builds the library with the fuzzing flags.
# The CTest entry runs the fuzzer for a bounded time; it writes new inputs to
# a corpus in the build tree and only reads the seeds in the source tree.
set(_qb_fuzz_flags -fsanitize=fuzzer,address,undefined)
add_executable(fuzz_load_stream ${CMAKE_CURRENT_LIST_DIR}/../fuzz_load_stream.cpp)
target_link_libraries(fuzz_load_stream PRIVATE QbXmlLib5::QbXmlLib5)
target_compile_options(fuzz_load_stream PRIVATE ${_qb_fuzz_flags})
target_link_options(fuzz_load_stream PRIVATE ${_qb_fuzz_flags})

set(_qb_fuzz_work ${CMAKE_CURRENT_BINARY_DIR}/corpus/load_stream)
file(MAKE_DIRECTORY ${_qb_fuzz_work})
add_test(NAME fuzz_load_stream
  COMMAND fuzz_load_stream -max_total_time=60 -timeout=10 -rss_limit_mb=2048
          ${_qb_fuzz_work} ${CMAKE_CURRENT_LIST_DIR}/../corpus/load_stream)
set_tests_properties(fuzz_load_stream PROPERTIES LABELS fuzz TIMEOUT 180)
