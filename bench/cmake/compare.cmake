# qbxml_compare: QbXmlLib5 against bare Expat, libxml2 and pugixml.
find_package(EXPAT REQUIRED)
find_package(LibXml2 REQUIRED)
find_package(pugixml REQUIRED)
add_executable(qbxml_compare ${CMAKE_CURRENT_SOURCE_DIR}/compare_main.cpp)
target_link_libraries(qbxml_compare PRIVATE QbXmlLib5::QbXmlLib5 EXPAT::EXPAT
  LibXml2::LibXml2 pugixml::pugixml)
qb_set_warnings(qbxml_compare)
