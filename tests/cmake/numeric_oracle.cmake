# CBigInteger and CDecimal against Python's int, fractions and decimal.
# The seed and the case count live here so that a failure reproduces:
#   python3 tests/oracle/gen_numeric_cases.py --seed <seed> --count <count> --out cases.txt
#   numeric_oracle_check cases.txt
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  set(QB_NUMERIC_ORACLE_SEED 20261206)
  set(QB_NUMERIC_ORACLE_COUNT 2500)
  set(_qb_numeric_cases ${CMAKE_CURRENT_BINARY_DIR}/numeric_oracle_cases.txt)
  set(_qb_numeric_gen ${CMAKE_CURRENT_SOURCE_DIR}/oracle/gen_numeric_cases.py)
  add_custom_command(OUTPUT ${_qb_numeric_cases}
    COMMAND ${Python3_EXECUTABLE} ${_qb_numeric_gen} --seed ${QB_NUMERIC_ORACLE_SEED}
      --count ${QB_NUMERIC_ORACLE_COUNT} --out ${_qb_numeric_cases}
    DEPENDS ${_qb_numeric_gen}
    COMMENT "Computing numeric oracle cases with Python")
  add_custom_target(numeric_oracle_cases DEPENDS ${_qb_numeric_cases})

  add_executable(numeric_oracle_check ${CMAKE_CURRENT_SOURCE_DIR}/oracle/numeric_oracle_check.cpp)
  target_link_libraries(numeric_oracle_check PRIVATE QbXmlLib5::QbXmlLib5)
  qb_set_warnings(numeric_oracle_check)
  add_dependencies(numeric_oracle_check numeric_oracle_cases)
  add_test(NAME numeric_oracle COMMAND numeric_oracle_check ${_qb_numeric_cases})
else()
  message(STATUS "Python 3 not found: the numeric oracle test is skipped")
endif()
