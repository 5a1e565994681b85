# Fast Infoset interoperability with Debian's libfastinfoset-java (an
# independent X.891 implementation). The tests skip themselves when Java or
# the jar is missing; run them alone with `ctest -L interop`.
find_program(QB_JAVA java)
set(QB_FASTINFOSET_JAR /usr/share/java/FastInfoset.jar CACHE FILEPATH
    "Jar of libfastinfoset-java used by the interop tests")
if(NOT QB_JAVA)
  set(QB_JAVA "")
endif()

add_executable(fastinfoset_interop_test ${CMAKE_CURRENT_SOURCE_DIR}/fastinfoset_interop.cpp)
target_link_libraries(fastinfoset_interop_test PRIVATE QbXmlLib5::QbXmlLib5 GTest::gtest
  GTest::gtest_main)
if(LibXml2_FOUND)
  target_link_libraries(fastinfoset_interop_test PRIVATE LibXml2::LibXml2)
  target_compile_definitions(fastinfoset_interop_test PRIVATE QB_HAVE_LIBXML2=1)
endif()
target_include_directories(fastinfoset_interop_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(fastinfoset_interop_test PRIVATE
  QB_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data"
  QB_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
  QB_JAVA="${QB_JAVA}"
  QB_FASTINFOSET_JAR="${QB_FASTINFOSET_JAR}")
qb_set_warnings(fastinfoset_interop_test)
gtest_discover_tests(fastinfoset_interop_test DISCOVERY_TIMEOUT 60
  PROPERTIES LABELS interop TIMEOUT 600
  ENVIRONMENT "QB_TEST_TMP=${CMAKE_CURRENT_BINARY_DIR}")
