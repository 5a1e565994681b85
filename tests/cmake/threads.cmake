# The threads test uses the purchase-order model; the stack test classes
# generated from the recursive schema of tests/schemas.
find_package(Threads REQUIRED)
include(${PROJECT_SOURCE_DIR}/examples/purchase_order/model.cmake)
target_link_libraries(binding_threads_test PRIVATE qb_po_model Threads::Threads)
qbxsd_generate(TARGET binding_stack_test NAMESPACE Recursive
  SCHEMAS ${PROJECT_SOURCE_DIR}/tests/schemas/recursive/recursive.xsd)
target_link_libraries(binding_stack_test PRIVATE Threads::Threads)
