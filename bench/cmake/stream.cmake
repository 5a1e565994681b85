# qbxml_stream_bench: a purchase order of millions of items written and read
# back by streaming, against whole-document speed, with peak memory.
include(${PROJECT_SOURCE_DIR}/examples/purchase_order/model.cmake)
add_executable(qbxml_stream_bench ${CMAKE_CURRENT_SOURCE_DIR}/stream_main.cpp)
target_include_directories(qbxml_stream_bench PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/competitors)
target_link_libraries(qbxml_stream_bench PRIVATE qb_po_model)
qb_set_warnings(qbxml_stream_bench)
