# Fails when a source outside the error catalogue writes an engine error
# number as a bare literal instead of its name from engine/common/errors.h.
# Only literals where an error number is used count: a case label, a return,
# a comparison, the first element of a brace list (a table row), the first
# argument of a function named ...Error..., or a value given to a variable
# named like a status. Sizes, rates and times that happen to equal an error
# number (a 2000 ms timer, x * 1000) are left alone, and so are comments and
# string literals.
#   cmake -DSOURCE_DIR=<repository> [-DFOLDERS=app;cli;engine] [-DCATALOGUE=errors.h]
#         [-DEXPECT=<number of offences>] -P no_bare_error_numbers.cmake
# With EXPECT the check passes when it finds exactly that many (its own test).
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=<repository> -P no_bare_error_numbers.cmake")
endif()
# A list passed through a test's command line may arrive with its separators
# escaped or as commas.
string(REPLACE "\\;" ";" FOLDERS "${FOLDERS}")
string(REPLACE "," ";" FOLDERS "${FOLDERS}")
if(NOT FOLDERS)
  set(FOLDERS app cli engine)
endif()
if(NOT CATALOGUE)
  set(CATALOGUE ${SOURCE_DIR}/engine/common/errors.h)
endif()

# The catalogued numbers: every named constant of the catalogue above 0.
file(STRINGS ${CATALOGUE} definitions REGEX "^inline constexpr int k[A-Za-z0-9]+ = [0-9]+;")
set(catalogued "")
foreach(definition ${definitions})
  string(REGEX REPLACE "^.* = ([0-9]+);.*$" "\\1" number "${definition}")
  if(NOT number EQUAL 0)
    list(APPEND catalogued ${number})
  endif()
endforeach()
list(LENGTH catalogued count)
if(count LESS 200)
  message(FATAL_ERROR "only ${count} error numbers found in ${CATALOGUE}")
endif()

# Where a literal is used as an error number.
set(number "([0-9]+)")
set(contexts
    "case[ \t\n]+${number}[ \t\n]*:"
    "return[ \t\n]+${number}[ \t\n]*[@?]"
    "[=!<>]=[ \t\n]*${number}[^0-9.xXeE]"
    "[^<>][<>][ \t\n]*${number}[^0-9.xXeE]"
    "[^0-9A-Za-z_.]${number}[ \t\n]*[=!<>]="
    "[?:][ \t\n]*${number}[ \t\n]*[:@,)]"
    "{[ \t\n]*${number}[ \t\n]*[,}]"
    "[Ee]rror[A-Za-z0-9_]*[ \t\n]*\\([ \t\n]*${number}[ \t\n]*[,)]"
    "([Ss]tatus|[Rr]esult|[Nn]umber|[Ee]rror|[Ee]rr|rc)[ \t\n]*=[ \t\n]*${number}[ \t\n]*@")

set(checked 0)
set(offences "")
foreach(folder ${FOLDERS})
  if(NOT IS_DIRECTORY ${SOURCE_DIR}/${folder})
    message(FATAL_ERROR "no folder ${SOURCE_DIR}/${folder}")
  endif()
  file(GLOB_RECURSE files ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(file ${files})
    if(file MATCHES "/engine/common/errors\\.(h|cpp)$")
      continue()
    endif()
    math(EXPR checked "${checked} + 1")
    file(READ ${file} text)
    # Semicolons (written @ from here on) would split the text into a list;
    # brackets confuse REGEX.
    string(REPLACE ";" "@" text "${text}")
    string(REPLACE "[" "(" text "${text}")
    string(REPLACE "]" ")" text "${text}")
    string(REGEX REPLACE "\\\\." "" text "${text}")  # escapes inside literals
    string(REGEX REPLACE "\"[^\"\n]*\"" "\"\"" text "${text}")
    string(REGEX REPLACE "'[^'\n]*'" "''" text "${text}")
    string(REGEX REPLACE "//[^\n]*" "" text "${text}")
    string(REGEX REPLACE "/\\*([^*]|\\*+[^*/])*\\*+/" "" text "${text}")
    foreach(context ${contexts})
      string(REGEX MATCHALL "${context}" hits "${text}")
      foreach(hit ${hits})
        # The number is each context's last group.
        string(REGEX MATCH "${context}" matched "${hit}")
        set(found "${CMAKE_MATCH_${CMAKE_MATCH_COUNT}}")
        list(FIND catalogued "${found}" at)
        if(at GREATER -1)
          file(RELATIVE_PATH name ${SOURCE_DIR} ${file})
          string(REGEX REPLACE "[\n\t ]+" " " hit "${hit}")
          string(REPLACE "@" ";" hit "${hit}")
          string(APPEND offences "  ${name}: ${hit}\n")
        endif()
      endforeach()
    endforeach()
  endforeach()
endforeach()

if(checked EQUAL 0)
  message(FATAL_ERROR "no sources found below ${SOURCE_DIR}")
endif()
if(DEFINED EXPECT)
  string(REGEX MATCHALL "\n" lines "${offences}")
  list(LENGTH lines found)
  if(NOT found EQUAL EXPECT)
    message(FATAL_ERROR "${found} offences found, ${EXPECT} expected:\n${offences}")
  endif()
  message(STATUS "${found} offences found, as expected")
  return()
endif()
if(offences)
  message(FATAL_ERROR "engine error numbers written as bare literals; use their names "
                      "from engine/common/errors.h:\n${offences}")
endif()
string(JOIN ", " list ${FOLDERS})
message(STATUS "${checked} sources of ${list} name every engine error number they use")
