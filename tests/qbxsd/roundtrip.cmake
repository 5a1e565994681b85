# One round trip: cmake -DDRIVER=... -DCHECK=... -DSCHEMA=... -DDOC=... -DOUT=...
#   -P roundtrip.cmake
# The driver writes DOC back as OUT.xml (text), OUT.fmt.xml (formatted text)
# and OUT.fi.xml (through Fast Infoset); each must be valid and carry DOC's
# infoset.
get_filename_component(out_dir ${OUT} DIRECTORY)
file(MAKE_DIRECTORY ${out_dir})
execute_process(COMMAND ${DRIVER} ${DOC} ${OUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the generated classes could not read or write ${DOC} back")
endif()
foreach(result ${OUT}.xml ${OUT}.fmt.xml ${OUT}.fi.xml)
  execute_process(COMMAND ${CHECK} compare ${DOC} ${result} ${SCHEMA} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${result} does not carry the infoset of ${DOC}")
  endif()
endforeach()
