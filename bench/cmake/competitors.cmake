# qbxml_po_compare: the purchase order of 100,000 items through this
# library's generated classes, CodeSynthesis XSD C++/Tree and gSOAP, in one
# run. The competitors' classes are generated here, at build time, from the
# same po.xsd; each competitor is left out when its generator or library is
# missing (scripts/install-deps.sh --bench installs them).
include(${PROJECT_SOURCE_DIR}/examples/purchase_order/model.cmake)
set(_po_xsd ${PROJECT_SOURCE_DIR}/examples/purchase_order/po.xsd)
set(_po_src ${CMAKE_CURRENT_SOURCE_DIR}/competitors)
set(_po_gen ${CMAKE_CURRENT_BINARY_DIR}/po_competitors)

add_executable(qbxml_po_compare ${_po_src}/po_compare_main.cpp ${_po_src}/PoBench.h)
target_link_libraries(qbxml_po_compare PRIVATE qb_po_model)
target_include_directories(qbxml_po_compare PRIVATE ${_po_src})
qb_set_warnings(qbxml_po_compare)

# CodeSynthesis XSD (Debian names the compiler xsdcxx) on Xerces-C.
find_program(QB_XSDCXX xsdcxx)
find_package(XercesC QUIET)
if(QB_XSDCXX AND XercesC_FOUND)
  add_custom_command(OUTPUT ${_po_gen}/xsd/po.cxx ${_po_gen}/xsd/po.hxx
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_po_gen}/xsd
    COMMAND ${QB_XSDCXX} cxx-tree --std c++11 --generate-serialization
      --root-element purchaseOrder --namespace-map =xsdpo --output-dir ${_po_gen}/xsd ${_po_xsd}
    DEPENDS ${_po_xsd} VERBATIM)
  # The generated code is theirs: compiled without our warning flags.
  add_library(qb_po_xsd STATIC ${_po_gen}/xsd/po.cxx ${_po_src}/PoXsd.cpp)
  target_include_directories(qb_po_xsd SYSTEM PRIVATE ${_po_gen}/xsd)
  target_include_directories(qb_po_xsd PRIVATE ${_po_src})
  target_link_libraries(qb_po_xsd PUBLIC XercesC::XercesC)
  target_link_libraries(qbxml_po_compare PRIVATE qb_po_xsd)
  target_compile_definitions(qbxml_po_compare PRIVATE QB_PO_HAVE_XSD)
  message(STATUS "qbxml_po_compare: with CodeSynthesis XSD C++/Tree (${QB_XSDCXX})")
else()
  message(STATUS "qbxml_po_compare: without XSD C++/Tree (xsdcxx or libxerces-c-dev missing)")
endif()

# gSOAP: wsdl2h turns the schema into an annotated header, soapcpp2 that into
# serialisers (XSD's classes are in namespace xsdpo, so the two do not meet).
find_program(QB_WSDL2H wsdl2h)
find_program(QB_SOAPCPP2 soapcpp2)
find_path(QB_GSOAP_IMPORT stlvector.h PATHS /usr/share/gsoap/import /usr/local/share/gsoap/import)
pkg_check_modules(GSOAPXX QUIET IMPORTED_TARGET gsoap++)
if(QB_WSDL2H AND QB_SOAPCPP2 AND QB_GSOAP_IMPORT AND GSOAPXX_FOUND)
  set(_gs ${_po_gen}/gsoap)
  add_custom_command(OUTPUT ${_gs}/gsC.cpp ${_gs}/gsH.h ${_gs}/gsStub.h ${_gs}/soap.nsmap
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_gs}
    COMMAND ${QB_WSDL2H} -g -o ${_gs}/po.h ${_po_xsd}
    COMMAND ${QB_SOAPCPP2} -0 -C -L -x -pgs -I${QB_GSOAP_IMPORT} -d${_gs} ${_gs}/po.h
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} DEPENDS ${_po_xsd} VERBATIM)
  add_library(qb_po_gsoap STATIC ${_gs}/gsC.cpp ${_po_src}/PoGsoap.cpp)
  target_include_directories(qb_po_gsoap SYSTEM PRIVATE ${_gs})
  target_include_directories(qb_po_gsoap PRIVATE ${_po_src})
  target_link_libraries(qb_po_gsoap PUBLIC PkgConfig::GSOAPXX)
  target_link_libraries(qbxml_po_compare PRIVATE qb_po_gsoap)
  target_compile_definitions(qbxml_po_compare PRIVATE QB_PO_HAVE_GSOAP)
  message(STATUS "qbxml_po_compare: with gSOAP (${QB_SOAPCPP2})")
else()
  message(STATUS "qbxml_po_compare: without gSOAP (gsoap or libgsoap-dev missing)")
endif()
