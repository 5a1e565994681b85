# qbxml_fi_callgrind: one text or Fast Infoset operation on one benchmark
# document, for instruction counts under callgrind.
add_executable(qbxml_fi_callgrind ${CMAKE_CURRENT_SOURCE_DIR}/fi_callgrind_main.cpp)
target_link_libraries(qbxml_fi_callgrind PRIVATE QbXmlLib5::QbXmlLib5)
qb_set_warnings(qbxml_fi_callgrind)
