# Fails when a source of the libraries and programs that must run without a
# window system includes a Qt or FFmpeg header, when the re-encoder (the one
# home of FFmpeg's codecs outside the player) includes Qt, or when its
# interface header, which the command line includes, includes FFmpeg. Their
# include paths do not hold Qt, but FFmpeg's headers sit on the compiler's
# default path, so only a look at the sources catches those.
#   cmake -DSOURCE_DIR=<repository> -P no_gui_includes.cmake
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=<repository> -P no_gui_includes.cmake")
endif()

set(folders engine probe automation platform cli)
set(qt "Q[A-Za-z]|q[a-z0-9_]*\\.h")
set(ffmpeg "libav|libsw|libpostproc")
set(gui_pattern "^[ \t]*#[ \t]*include[ \t]*[<\"](${qt}|${ffmpeg})")
set(qt_pattern "^[ \t]*#[ \t]*include[ \t]*[<\"](${qt})")

set(checked 0)
# Appends to `out_var` one line per include of `files` that matches `pattern`.
function(find_includes pattern out_var)
  set(found "${${out_var}}")
  set(count ${checked})
  foreach(file ${ARGN})
    math(EXPR count "${count} + 1")
    file(STRINGS ${file} lines REGEX "#[ \t]*include")
    foreach(line ${lines})
      if(line MATCHES "${pattern}")
        file(RELATIVE_PATH name ${SOURCE_DIR} ${file})
        string(STRIP "${line}" line)
        string(APPEND found "  ${name}: ${line}\n")
      endif()
    endforeach()
  endforeach()
  set(${out_var} "${found}" PARENT_SCOPE)
  set(checked ${count} PARENT_SCOPE)
endfunction()

function(sources_below folder out_var)
  if(NOT IS_DIRECTORY ${SOURCE_DIR}/${folder})
    message(FATAL_ERROR "no folder ${SOURCE_DIR}/${folder}")
  endif()
  file(GLOB_RECURSE files ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.hpp
       ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.cc ${SOURCE_DIR}/${folder}/*.c)
  set(${out_var} ${files} PARENT_SCOPE)
endfunction()

set(offences "")
foreach(folder ${folders})
  sources_below(${folder} files)
  find_includes("${gui_pattern}" offences ${files})
endforeach()
sources_below(reencode files)
find_includes("${qt_pattern}" offences ${files})
find_includes("${gui_pattern}" offences ${SOURCE_DIR}/reencode/mpeg1_reencoder.h)

if(checked EQUAL 0)
  message(FATAL_ERROR "no sources found below ${SOURCE_DIR}")
endif()
if(offences)
  message(FATAL_ERROR "Qt or FFmpeg included where it may not be:\n${offences}")
endif()
string(JOIN ", " list ${folders})
message(STATUS "${checked} sources of ${list} and reencode include no header they may not")
