# qb_po_model: the purchase-order model classes (Po, Ipo) as a static
# library. Included by the example, the tests, the benchmarks and the fuzz
# targets; whichever comes first defines it.
if(NOT TARGET qb_po_model)
  set(_qb_po_dir ${PROJECT_SOURCE_DIR}/examples/purchase_order)
  add_library(qb_po_model STATIC
    ${_qb_po_dir}/Po.cpp ${_qb_po_dir}/Po.h
    ${_qb_po_dir}/Ipo.cpp ${_qb_po_dir}/Ipo.h
    ${_qb_po_dir}/ModelSupport.h)
  target_include_directories(qb_po_model PUBLIC ${_qb_po_dir})
  target_link_libraries(qb_po_model PUBLIC QbXmlLib5::QbXmlLib5)
  target_compile_definitions(qb_po_model PUBLIC QB_PO_SAMPLES_DIR="${_qb_po_dir}")
  qb_set_warnings(qb_po_model)
endif()
