# cmake -DPROGRAM=... -DFAULT=... -DEXPECTED=code -P ExpectReport.cmake
execute_process(COMMAND ${PROGRAM} ${FAULT} RESULT_VARIABLE result ERROR_VARIABLE report)
if(NOT result STREQUAL EXPECTED OR NOT report MATCHES "Sanitizer")
  message(FATAL_ERROR "The ${FAULT} fault ended with ${result}, not ${EXPECTED}:\n${report}")
endif()
