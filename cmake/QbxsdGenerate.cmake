# qbxsd_generate(TARGET <target> SCHEMAS <schema.xsd>... [NAMESPACE <c++ namespace>]
#                [OUTPUT_DIR <dir>])
#
# Compiles the schemas with qbxsd at build time and adds the generated
# <first schema>.h/.cpp to <target>, with the output directory on its include
# path. The code is generated again whenever a schema file changes, including
# files the schemas include or import. <target> must link QbXmlLib5.
function(qbxsd_generate)
  cmake_parse_arguments(QG "" "TARGET;NAMESPACE;OUTPUT_DIR" "SCHEMAS" ${ARGN})
  if(NOT QG_TARGET OR NOT QG_SCHEMAS)
    message(FATAL_ERROR "qbxsd_generate needs TARGET and SCHEMAS")
  endif()
  if(NOT QG_OUTPUT_DIR)
    set(QG_OUTPUT_DIR ${CMAKE_CURRENT_BINARY_DIR}/qbxsd_${QG_TARGET})
  endif()
  if(TARGET qbxsd)
    set(_qbxsd $<TARGET_FILE:qbxsd>)
    set(_qbxsd_dep qbxsd)
  elseif(TARGET QbXmlLib5::qbxsd)
    set(_qbxsd $<TARGET_FILE:QbXmlLib5::qbxsd>)
    set(_qbxsd_dep QbXmlLib5::qbxsd)
  else()
    find_program(_qbxsd_program qbxsd REQUIRED)
    set(_qbxsd ${_qbxsd_program})
    set(_qbxsd_dep)
  endif()
  set(_schemas)
  foreach(schema IN LISTS QG_SCHEMAS)
    get_filename_component(schema ${schema} ABSOLUTE)
    list(APPEND _schemas ${schema})
  endforeach()
  list(GET _schemas 0 _first)
  get_filename_component(_stem ${_first} NAME_WE)
  string(MAKE_C_IDENTIFIER ${_stem} _stem_id)
  string(REGEX REPLACE "[^A-Za-z0-9_-]" "_" _stem ${_stem})
  set(_outputs ${QG_OUTPUT_DIR}/${_stem}.h ${QG_OUTPUT_DIR}/${_stem}.cpp)
  set(_ns)
  if(QG_NAMESPACE)
    set(_ns -n ${QG_NAMESPACE})
  endif()
  set(_depfile ${QG_OUTPUT_DIR}/${_stem}.d)
  file(MAKE_DIRECTORY ${QG_OUTPUT_DIR})
  add_custom_command(OUTPUT ${_outputs}
    COMMAND ${_qbxsd} -q --one-pair --depfile ${_depfile} -o ${QG_OUTPUT_DIR} ${_ns} ${_schemas}
    DEPENDS ${_schemas} ${_qbxsd_dep}
    DEPFILE ${_depfile}
    COMMENT "qbxsd: generating ${_stem}.h/.cpp for ${QG_TARGET}"
    VERBATIM)
  target_sources(${QG_TARGET} PRIVATE ${_outputs})
  target_include_directories(${QG_TARGET} PUBLIC ${QG_OUTPUT_DIR})
endfunction()
