# Runs a validator on a file for CTest, or says that it was skipped where the tool is missing.
#   cmake -DTOOL=name -DPACKAGE=debian-package -DARGS="arg|arg|…" -P RunValidator.cmake
# The test's SKIP_REGULAR_EXPRESSION matches the skip line.
find_program(tool_path ${TOOL})
if(NOT tool_path)
  message("${TOOL} is not installed; skipped (Debian package ${PACKAGE}, installed by scripts/setup)")
  return()
endif()
string(REPLACE "|" ";" arguments "${ARGS}")
execute_process(COMMAND ${tool_path} ${arguments} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${TOOL} found faults (exit code ${result})")
endif()
