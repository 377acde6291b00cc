# The version the build is given (VANTREL_APP_VERSION): the texts that are
# read, with the numbers they give, and the texts that stop the configure step.
# cmake -DMODULE=<cmake/AppVersion.cmake> -P this file.

set(failures 0)

function(parse text)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -DMODULE=${MODULE} -DTEXT=${text} -P ${CMAKE_CURRENT_LIST_DIR}/parse_app_version.cmake
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(code "${code}" PARENT_SCOPE)
  set(output "${out}${err}" PARENT_SCOPE)
endfunction()

# Read as decimal, leading zeros dropped (a C++ literal 010 would be eight).
foreach(case "2.3.23|2 3 23" "2.3.010|2 3 10" "002.003.000|2 3 0" "0.0.0|0 0 0" "255.255.255|255 255 255"
             "2.3.08|2 3 8" "2.3.0009|2 3 9")
  string(REPLACE "|" ";" case "${case}")
  list(GET case 0 text)
  list(GET case 1 expected)
  parse("${text}")
  if(NOT code EQUAL 0 OR NOT output MATCHES "numbers: ${expected}\n")
    message(SEND_ERROR "'${text}': expected ${expected}, got (exit ${code}) ${output}")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()

# Not three numbers of 0 to 255: the configure step stops with a message naming the text.
foreach(text "2.3" "2.3.23.1" "v2.3.23" "2.3.x" "2..3" "2.3.-1" " 2.3.23" "2.3.256" "2.3.0256" "0x2.3.4"
             "99999999999999999999.0.0")
  parse("${text}")
  if(code EQUAL 0)
    message(SEND_ERROR "'${text}' was read: ${output}")
    math(EXPR failures "${failures} + 1")
  elseif(NOT output MATCHES "VANTREL_APP_VERSION" OR NOT output MATCHES "'${text}'")
    message(SEND_ERROR "'${text}': the message does not name the setting and the text: ${output}")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()

# An empty text.
parse("")
if(code EQUAL 0)
  message(SEND_ERROR "an empty version was read: ${output}")
  math(EXPR failures "${failures} + 1")
endif()

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} version case(s) failed")
endif()
message(STATUS "every version case passed")
