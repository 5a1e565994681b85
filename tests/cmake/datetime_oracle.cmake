# Random CDateTime / CDateTimeSpan cases checked against Python's datetime and
# calendar modules. The seed and the number of cases per family are fixed
# here so that a failure reproduces; the runner prints seed, case number and
# input of each failing case.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  set(QB_DATETIME_ORACLE_SEED 20261206)
  set(QB_DATETIME_ORACLE_COUNT 3000)
  set(_gen ${CMAKE_CURRENT_SOURCE_DIR}/oracle/gen_datetime_cases.py)
  set(_cases ${CMAKE_CURRENT_BINARY_DIR}/datetime_cases_${QB_DATETIME_ORACLE_SEED}.txt)
  add_custom_command(OUTPUT ${_cases}
    COMMAND Python3::Interpreter ${_gen} ${QB_DATETIME_ORACLE_SEED} ${QB_DATETIME_ORACLE_COUNT}
      ${_cases}
    DEPENDS ${_gen}
    COMMENT "Generating date/time oracle cases (seed ${QB_DATETIME_ORACLE_SEED})")
  add_custom_target(datetime_oracle_cases DEPENDS ${_cases})

  add_executable(datetime_oracle ${CMAKE_CURRENT_SOURCE_DIR}/oracle/datetime_oracle_main.cpp)
  target_link_libraries(datetime_oracle PRIVATE QbXmlLib5::QbXmlLib5)
  qb_set_warnings(datetime_oracle)
  add_dependencies(datetime_oracle datetime_oracle_cases)
  add_test(NAME datetime_oracle COMMAND datetime_oracle ${_cases})
else()
  message(WARNING "python3 not found: the date/time oracle test is skipped")
endif()
