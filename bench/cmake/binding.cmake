# binding_bench measures through the purchase-order model classes.
include(${PROJECT_SOURCE_DIR}/examples/purchase_order/model.cmake)
target_link_libraries(binding_bench PRIVATE qb_po_model)
