# delver_test_module(<name> <out>): the module that tests/<name>.cpp is
# linked against, the first word of its name; "" when that module is not
# part of this build (the tools). Any other first word is a configure error,
# so that a misspelt test file cannot go silently unrun.
function(delver_test_module name out)
  string(REGEX MATCH "^[a-z0-9]+" module "${name}")
  if(module STREQUAL "e2e" OR module STREQUAL "platform" OR TARGET delver_${module})
    set(${out} ${module} PARENT_SCOPE)
  elseif(module STREQUAL "tools")
    set(${out} "" PARENT_SCOPE)
  else()
    message(FATAL_ERROR "tests/${name}.cpp: \"${module}\" is no module of this build; "
                        "a test file is named <module>_<topic>_test.cpp, its module being "
                        "e2e, platform, tools or one of the delver_<module> libraries")
  endif()
endfunction()

# As a script (cmake -DTEST_NAME=<name> -P test_module.cmake) it checks one
# name; no module's library exists there, so only e2e, platform and tools pass.
if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  delver_test_module("${TEST_NAME}" module)
endif()
