# libFuzzer target: arbitrary documents (text, compressed, Fast Infoset) read
# into the purchase-order model, seeded from fuzz/corpus/po_model/.
include(${PROJECT_SOURCE_DIR}/examples/purchase_order/model.cmake)
target_compile_options(qb_po_model PRIVATE -fsanitize=fuzzer-no-link)
qb_add_fuzzer(po_model ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_po_model.cpp)
target_link_libraries(fuzz_po_model PRIVATE qb_po_model)
