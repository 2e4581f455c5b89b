# Fails when a source of the libraries and programs that must run without a
# window system includes a Qt or FFmpeg header. Their include paths do not
# hold Qt, but FFmpeg's headers sit on the compiler's default path, so only
# a look at the sources catches those.
#   cmake -DSOURCE_DIR=<repository> -P no_gui_includes.cmake
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=<repository> -P no_gui_includes.cmake")
endif()

set(folders engine probe automation platform cli)
set(pattern "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]|q[a-z0-9_]*\\.h|libav|libsw|libpostproc)")

set(checked 0)
set(offences "")
foreach(folder ${folders})
  if(NOT IS_DIRECTORY ${SOURCE_DIR}/${folder})
    message(FATAL_ERROR "no folder ${SOURCE_DIR}/${folder}")
  endif()
  file(GLOB_RECURSE files ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.hpp
       ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.cc ${SOURCE_DIR}/${folder}/*.c)
  foreach(file ${files})
    math(EXPR checked "${checked} + 1")
    file(STRINGS ${file} lines REGEX "#[ \t]*include")
    foreach(line ${lines})
      if(line MATCHES "${pattern}")
        file(RELATIVE_PATH name ${SOURCE_DIR} ${file})
        string(STRIP "${line}" line)
        string(APPEND offences "  ${name}: ${line}\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(checked EQUAL 0)
  message(FATAL_ERROR "no sources found below ${SOURCE_DIR}")
endif()
if(offences)
  message(FATAL_ERROR "Qt or FFmpeg included where only the standard library may be used:\n${offences}")
endif()
# FFmpeg's codecs have one home outside the player: the re-encoder of exact
# cuts, which must stay free of Qt like the engine it serves.
set(codec_folders reencode)
set(qt_pattern "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]|q[a-z0-9_]*\\.h)")
foreach(folder ${codec_folders})
  file(GLOB_RECURSE files ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(file ${files})
    math(EXPR checked "${checked} + 1")
    file(STRINGS ${file} lines REGEX "#[ \t]*include")
    foreach(line ${lines})
      if(line MATCHES "${qt_pattern}")
        file(RELATIVE_PATH name ${SOURCE_DIR} ${file})
        string(STRIP "${line}" line)
        message(FATAL_ERROR "Qt included in the re-encoder: ${name}: ${line}")
      endif()
    endforeach()
  endforeach()
endforeach()
# Its interface header is what the command line includes: standard library only.
file(STRINGS ${SOURCE_DIR}/reencode/mpeg1_reencoder.h lines REGEX "#[ \t]*include")
foreach(line ${lines})
  if(line MATCHES "${pattern}")
    message(FATAL_ERROR "reencode/mpeg1_reencoder.h must not include Qt or FFmpeg: ${line}")
  endif()
endforeach()

string(JOIN ", " list ${folders})
message(STATUS "${checked} sources of ${list} include neither Qt nor FFmpeg")
