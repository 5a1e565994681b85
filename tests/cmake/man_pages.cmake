# The tools' manual pages against their --help and --version.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_FOUND)
  foreach(tool qbxml qbxsd)
    if(TARGET ${tool})
      add_test(NAME ${tool}_man_page
        COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/tools/man_options_test.py
                $<TARGET_FILE:${tool}> ${PROJECT_SOURCE_DIR}/docs/man/${tool}.1)
      set_tests_properties(${tool}_man_page PROPERTIES LABELS tools)
    endif()
  endforeach()
endif()
