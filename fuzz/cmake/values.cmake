# fuzz_values: the value parsers (numbers, dates, durations, conversions,
# binary data, character encodings) under libFuzzer. QB_FUZZ_SECONDS comes
# from fuzz/CMakeLists.txt.
set(QB_FUZZ_VALUES_FLAGS -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer)
add_executable(fuzz_values ${CMAKE_CURRENT_LIST_DIR}/../fuzz_values.cpp)
target_link_libraries(fuzz_values PRIVATE QbXmlLib5::QbXmlLib5)
target_compile_options(fuzz_values PRIVATE ${QB_FUZZ_VALUES_FLAGS})
target_link_options(fuzz_values PRIVATE ${QB_FUZZ_VALUES_FLAGS})
qb_set_warnings(fuzz_values)

# libFuzzer adds what it finds to the first directory only: a scratch copy in
# the build tree, so the committed seeds stay as they are.
set(QB_FUZZ_VALUES_SCRATCH ${CMAKE_CURRENT_BINARY_DIR}/corpus/values)
file(MAKE_DIRECTORY ${QB_FUZZ_VALUES_SCRATCH})
add_test(NAME fuzz_values
  COMMAND fuzz_values -max_total_time=${QB_FUZZ_SECONDS} -rss_limit_mb=2048 -timeout=30
          -print_final_stats=1 ${QB_FUZZ_VALUES_SCRATCH} ${CMAKE_CURRENT_LIST_DIR}/../corpus/values)
math(EXPR QB_FUZZ_VALUES_TIMEOUT "${QB_FUZZ_SECONDS} + 120")
set_tests_properties(fuzz_values PROPERTIES LABELS fuzz TIMEOUT ${QB_FUZZ_VALUES_TIMEOUT})
