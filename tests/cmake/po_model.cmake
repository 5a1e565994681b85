# The purchase-order model test links the model classes of the example.
include(${PROJECT_SOURCE_DIR}/examples/purchase_order/model.cmake)
target_link_libraries(binding_po_model_test PRIVATE qb_po_model)
target_link_libraries(binding_readahead_test PRIVATE qb_po_model)
qbxsd_generate(TARGET binding_readahead_test NAMESPACE Ledger
  SCHEMAS ${PROJECT_SOURCE_DIR}/tests/data/stream/ledger.xsd)
