# One compilation: cmake -DQBXSD=... -DSCHEMA=... -DOUT=... -DALLOWED=N -P compile.cmake
# qbxsd must compile SCHEMA and say no more than ALLOWED warnings (those of
# the features the README lists as not supported).
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
get_filename_component(dir ${SCHEMA} DIRECTORY)
get_filename_component(file ${SCHEMA} NAME)
execute_process(COMMAND ${QBXSD} -q --one-pair -o ${OUT} ${file} WORKING_DIRECTORY ${dir}
  RESULT_VARIABLE rc ERROR_VARIABLE messages)
message("${messages}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "qbxsd cannot compile ${SCHEMA}")
endif()
string(REGEX MATCHALL "warning:" warnings "${messages}")
list(LENGTH warnings count)
if(count GREATER ALLOWED)
  message(FATAL_ERROR "${count} warnings, ${ALLOWED} allowed")
endif()
