# The tool's version as the build gives it (VANTREL_APP_VERSION, "major.minor.build").
#
#   vantrel_parse_app_version(<text> <prefix>)
#
# sets <prefix>_MAJOR, <prefix>_MINOR and <prefix>_BUILD to the three numbers
# in decimal, without leading zeros ("2.3.010" gives 2, 3 and 10): they become
# C++ literals, where a leading zero would make an octal number. A text that
# is not three decimal numbers of 0 to 255 stops the configure step with a
# message naming it.
function(vantrel_parse_app_version text prefix)
  if(NOT text MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
    message(FATAL_ERROR "VANTREL_APP_VERSION must be three numbers, major.minor.build (such as 2.3.23), not '${text}'")
  endif()
  set(parts ${CMAKE_MATCH_1} ${CMAKE_MATCH_2} ${CMAKE_MATCH_3})
  set(numbers "")
  foreach(part IN LISTS parts)
    string(REGEX REPLACE "^0+([0-9])" "\\1" part "${part}")
    string(LENGTH "${part}" digits)
    if(digits GREATER 3 OR part GREATER 255)
      message(FATAL_ERROR "VANTREL_APP_VERSION: every number must be 0 to 255 ('${text}')")
    endif()
    list(APPEND numbers ${part})
  endforeach()
  list(GET numbers 0 major)
  list(GET numbers 1 minor)
  list(GET numbers 2 build)
  set(${prefix}_MAJOR ${major} PARENT_SCOPE)
  set(${prefix}_MINOR ${minor} PARENT_SCOPE)
  set(${prefix}_BUILD ${build} PARENT_SCOPE)
endfunction()
