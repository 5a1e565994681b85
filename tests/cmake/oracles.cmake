# Random value-type cases checked against independent Python computations
# (datetime, calendar, int, fractions, decimal). The seed and the case counts
# are fixed here so that a failure reproduces; a checker prints the seed, the
# case number and the input of every failing case. By hand:
#   python3 tests/oracle/<generator> SEED COUNT cases.txt && <checker> cases.txt
find_package(Python3 COMPONENTS Interpreter)
set(QB_ORACLE_SEED 20261206)

# Adds test `name`: `generator` writes `count` cases per family, the checker
# built from oracle/<name>.cpp runs them.
function(qb_add_oracle name generator count)
  set(gen ${CMAKE_CURRENT_SOURCE_DIR}/oracle/${generator})
  set(cases ${CMAKE_CURRENT_BINARY_DIR}/${name}_cases_${QB_ORACLE_SEED}.txt)
  add_custom_command(OUTPUT ${cases}
    COMMAND Python3::Interpreter ${gen} ${QB_ORACLE_SEED} ${count} ${cases}
    DEPENDS ${gen}
    COMMENT "Generating ${name} cases (seed ${QB_ORACLE_SEED})")
  add_custom_target(${name}_cases DEPENDS ${cases})
  add_executable(${name} ${CMAKE_CURRENT_SOURCE_DIR}/oracle/${name}.cpp)
  target_link_libraries(${name} PRIVATE QbXmlLib5::QbXmlLib5)
  qb_set_warnings(${name})
  add_dependencies(${name} ${name}_cases)
  add_test(NAME ${name} COMMAND ${name} ${cases})
endfunction()

if(Python3_Interpreter_FOUND)
  qb_add_oracle(datetime_oracle gen_datetime_cases.py 3000)
  qb_add_oracle(numeric_oracle gen_numeric_cases.py 2500)
else()
  message(WARNING "python3 not found: the oracle tests are skipped")
endif()
