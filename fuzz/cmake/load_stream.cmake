# libFuzzer target for CXmlDocument::LoadXmlStream (text, compressed and Fast
# Infoset input), seeded from fuzz/corpus/load_stream/.
qb_add_fuzzer(load_stream ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_load_stream.cpp)
