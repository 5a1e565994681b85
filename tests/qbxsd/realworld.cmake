# The schema compiler and the data binding on the real-world corpus of
# tests/realworld (schemas and documents from Debian packages, listed in its
# SOURCES.md). Per set <set>/<entry>.xsd, CTest (label realworld) checks
#   realworld.<set>.qbxsd          qbxsd compiles the set with no more than the
#                                  allowed warnings (unsupported features);
#   realworld.<set>.roundtrip.*    each valid/ document read and written back,
#                                  compact, formatted and through Fast Infoset,
#                                  keeps its infoset, and xmllint finds each
#                                  written document valid (the driver
#                                  carries the schema location hints and
#                                  the document's prefixes, which QName
#                                  values use, through the context, as an
#                                  application would; base64 text compares
#                                  as a value);
#   realworld.<set>.refuse.*       each invalid/ document is refused while
#                                  read, with the message invalid/expected.txt
#                                  gives for it.
# Sets: directory:entry schema:allowed warnings (identity constraints other
# than ID and IDREF, which the README lists as not checked).
set(QBXSD_REALWORLD_SETS
  xmldsig-xenc:xenc-schema.xsd:0
  saml2:saml2.xsd:0
  wsdl-soap:wsdl-soap.xsd:2
  xhtml-strict:xhtml1-strict.xsd:0
  xmlschema:XMLSchema.xsd:1
  ktouch-course:course.xsd:0
  ktouch-keyboard:keyboardlayout.xsd:0
  hydrogen-drumkit:drumkit.xsd:0
  gdal-gmlasconf:gmlasconf.xsd:0
  gdal-vdv452:vdv452.xsd:0)

# Sets whose generated code is not built: qbxsd refuses them (their qbxsd
# test must fail) or the code it writes does not compile.
set(QBXSD_REALWORLD_UNBUILT)

# Tests that fail today; each is run and must fail (WILL_FAIL). When one
# starts passing, CTest reports it: take it off.
set(QBXSD_REALWORLD_KNOWN_FAILURES)

set(QBXSD_REALWORLD_DIR ${PROJECT_SOURCE_DIR}/tests/realworld)
find_program(QB_XMLLINT xmllint)

foreach(entry IN LISTS QBXSD_REALWORLD_SETS)
  string(REPLACE ":" ";" parts ${entry})
  list(GET parts 0 set)
  list(GET parts 1 file)
  list(GET parts 2 allowed)
  set(dir ${QBXSD_REALWORLD_DIR}/${set})
  set(schema ${dir}/${file})
  set(tests realworld.${set}.qbxsd)
  add_test(NAME realworld.${set}.qbxsd
    COMMAND ${CMAKE_COMMAND} -DQBXSD=$<TARGET_FILE:qbxsd> -DSCHEMA=${schema}
            -DOUT=${CMAKE_CURRENT_BINARY_DIR}/realworld/${set}/generated -DALLOWED=${allowed}
            -P ${CMAKE_CURRENT_SOURCE_DIR}/compile.cmake)
  if(NOT set IN_LIST QBXSD_REALWORLD_UNBUILT)
    string(MAKE_C_IDENTIFIER ${set} id)
    get_filename_component(stem ${file} NAME_WE)
    string(REGEX REPLACE "[^A-Za-z0-9_-]" "_" stem ${stem})
    set(driver qbxsd_realworld_${id})
    add_executable(${driver} roundtrip_main.cpp)
    qbxsd_generate(TARGET ${driver} SCHEMAS ${schema} NAMESPACE realworld_${id})
    target_link_libraries(${driver} PRIVATE QbXmlLib5::QbXmlLib5)
    target_compile_definitions(${driver} PRIVATE QBXSD_HEADER="${stem}.h"
      QBXSD_NAMESPACE=realworld_${id})
    qb_set_warnings(${driver})
    file(GLOB valid CONFIGURE_DEPENDS ${dir}/valid/*.xml)
    foreach(doc IN LISTS valid)
      get_filename_component(name ${doc} NAME_WLE)
      add_test(NAME realworld.${set}.roundtrip.${name}
        COMMAND ${CMAKE_COMMAND} -DDRIVER=$<TARGET_FILE:${driver}>
                -DCHECK=$<TARGET_FILE:xml_infoset_check> -DSCHEMA=${schema} -DDOC=${doc}
                -DXMLLINT=${QB_XMLLINT}
                -DOUT=${CMAKE_CURRENT_BINARY_DIR}/realworld/${set}/${name}
                -P ${CMAKE_CURRENT_SOURCE_DIR}/roundtrip.cmake)
      list(APPEND tests realworld.${set}.roundtrip.${name})
    endforeach()
    file(GLOB invalid CONFIGURE_DEPENDS ${dir}/invalid/*.xml)
    foreach(doc IN LISTS invalid)
      get_filename_component(name ${doc} NAME_WLE)
      get_filename_component(docfile ${doc} NAME)
      add_test(NAME realworld.${set}.refuse.${name}
        COMMAND ${driver} --invalid ${dir}/invalid/expected.txt ${dir}/invalid ${docfile})
      list(APPEND tests realworld.${set}.refuse.${name})
    endforeach()
  endif()
  qbxsd_label_tests(realworld QBXSD_REALWORLD_KNOWN_FAILURES ${tests})
endforeach()
