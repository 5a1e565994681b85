# One round trip: cmake -DDRIVER=... -DCHECK=... -DSCHEMA=... -DDOC=... -DOUT=...
#   -P roundtrip.cmake
# The driver writes DOC back as OUT.xml (compact text), OUT.formatted.xml and
# OUT.fi.xml (through Fast Infoset); each must carry DOC's infoset and, with
# XMLLINT given, pass `xmllint --schema SCHEMA` as well.
get_filename_component(out_dir ${OUT} DIRECTORY)
file(MAKE_DIRECTORY ${out_dir})
execute_process(COMMAND ${DRIVER} ${DOC} ${OUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the generated classes could not read or write ${DOC} back")
endif()
foreach(result ${OUT}.xml ${OUT}.formatted.xml ${OUT}.fi.xml)
  execute_process(COMMAND ${CHECK} compare ${DOC} ${result} ${SCHEMA} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${result} does not carry the infoset of ${DOC}")
  endif()
  if(XMLLINT)
    execute_process(COMMAND ${XMLLINT} --noout --nonet --schema ${SCHEMA} ${result}
      RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "xmllint finds ${result} invalid")
    endif()
  endif()
endforeach()
