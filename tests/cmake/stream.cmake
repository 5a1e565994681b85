# The streaming test uses the purchase-order model and a ledger whose
# repeated element has members after it and nests under its own name.
include(${PROJECT_SOURCE_DIR}/examples/purchase_order/model.cmake)
qbxsd_generate(TARGET binding_stream_test NAMESPACE Ledger
  SCHEMAS ${PROJECT_SOURCE_DIR}/tests/data/stream/ledger.xsd)
target_link_libraries(binding_stream_test PRIVATE qb_po_model)
