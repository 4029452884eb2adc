# cmake -DSRC=<src folder> -P web_gl_names.cmake
# Every OpenGL and GLU call the game makes outside platform/ is one that the
# browser's fixed-function layer answers: platform/web/gl_fixed_function.h
# redirects exactly those. A fixed-function call it lacks fails to link
# there, but one that WebGL also has (glDrawArrays, glClear, ...) would go
# to WebGL behind the layer's back. Fails naming each call not redirected.
cmake_minimum_required(VERSION 3.20)
file(READ ${SRC}/platform/web/gl_fixed_function.h header)
string(REGEX MATCHALL "#define glu?[A-Z][A-Za-z0-9_]* delver_" answered "${header}")
list(TRANSFORM answered REPLACE "#define ([A-Za-z0-9_]+) delver_" "\\1")
if(NOT answered)
  message(FATAL_ERROR "no redirected call found in ${SRC}/platform/web/gl_fixed_function.h")
endif()

file(GLOB_RECURSE sources ${SRC}/*.cpp ${SRC}/*.h)
list(FILTER sources EXCLUDE REGEX "^${SRC}/platform/")
set(missing "")
foreach(source ${sources})
  file(READ ${source} text)
  string(REGEX REPLACE "//[^\n]*" "" text "${text}")  # words in comments are no calls
  string(REGEX MATCHALL "[^A-Za-z0-9_]glu?[A-Z][A-Za-z0-9_]*" names "${text}")
  list(TRANSFORM names REPLACE "^[^g]" "")
  list(REMOVE_DUPLICATES names)
  foreach(name ${names})
    if(NOT name IN_LIST answered)
      file(RELATIVE_PATH where ${SRC} ${source})
      list(APPEND missing "${name} (${where})")
    endif()
  endforeach()
endforeach()
if(missing)
  list(JOIN missing "\n  " shown)
  message(FATAL_ERROR "OpenGL calls the browser's layer does not answer "
                      "(add them to platform/web/gl_fixed_function.h and fixed_function.cpp):\n  ${shown}")
endif()
list(LENGTH answered count)
message(STATUS "every OpenGL call outside platform/ is one of the ${count} the browser's layer answers")
