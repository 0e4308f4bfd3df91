# cmake -DFILE=x.desktop -P check-desktop-entry.cmake: desktop-file-validate
# must pass the entry without a word (errors, warnings and hints alike).
find_program(VALIDATE desktop-file-validate)
if(NOT VALIDATE)
  message("SKIPPED: desktop-file-validate is missing (Debian package desktop-file-utils, see scripts/install-deps.sh)")
  return()
endif()
execute_process(COMMAND ${VALIDATE} ${FILE} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT status EQUAL 0 OR NOT out STREQUAL "")
  message(FATAL_ERROR "desktop-file-validate ${FILE} (exit status ${status}):\n${out}")
endif()
