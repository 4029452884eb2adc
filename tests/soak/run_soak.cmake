# The soak: a long headless run of the real game driven by a random input
# script, in a fresh game folder of its own (our art, the default overworld
# and an empty map/ folder, so that saves and loads really happen).
# It passes when the game exits with status 0 within the time limit, prints
# nothing on stderr but the note of a load from a never-saved slot, reports valid JSON with every frame run, and both save
# slots are whole on disk.
#
#   cmake -DDELVER=... -DSCRIPT_GEN=... -DGAME_DIR=... -DWORK_DIR=...
#         [-DFRAMES=5000] [-DSEED=1] [-DTIME_LIMIT=1200] -P run_soak.cmake
foreach(var DELVER SCRIPT_GEN WORK_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_soak.cmake: -D${var}=... is required")
  endif()
endforeach()
if(NOT DEFINED FRAMES)
  set(FRAMES 5000)
endif()
if(NOT DEFINED SEED)
  set(SEED 1)
endif()
if(NOT DEFINED TIME_LIMIT)
  set(TIME_LIMIT 1200)
endif()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}/map")
if(DEFINED GAME_DIR AND IS_DIRECTORY "${GAME_DIR}")
  file(GLOB art_dirs LIST_DIRECTORIES true "${GAME_DIR}/bmp_*")
  foreach(dir ${art_dirs})
    file(COPY "${dir}" DESTINATION "${WORK_DIR}")
  endforeach()
  if(EXISTS "${GAME_DIR}/map/1.overworld")
    file(COPY "${GAME_DIR}/map/1.overworld" DESTINATION "${WORK_DIR}/map")
  endif()
endif()

set(script "${WORK_DIR}/soak.txt")
execute_process(COMMAND "${SCRIPT_GEN}" --seed ${SEED} --frames ${FRAMES} -o "${script}"
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the soak script generator failed (${rc})")
endif()

string(TIMESTAMP started "%s")
execute_process(COMMAND "${DELVER}" --headless --seed ${SEED} --frames ${FRAMES} --input "${script}" --report
                WORKING_DIRECTORY "${WORK_DIR}"
                TIMEOUT ${TIME_LIMIT}
                RESULT_VARIABLE rc
                OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
string(TIMESTAMP finished "%s")
math(EXPR seconds "${finished} - ${started}")
message(STATUS "soak: ${FRAMES} frames, seed ${SEED}, ${seconds} s")

if(NOT rc STREQUAL "0")
  message(FATAL_ERROR "delver ended with '${rc}' (a hang ends at ${TIME_LIMIT} s)\nstderr:\n${err}")
endif()
# The script may load a slot before it was ever saved; the game says so
# then. Any other line on stderr is a fault.
string(REGEX REPLACE "delver: slot [12]: nothing saved there; the game is unchanged\n" "" unexpected "${err}")
string(REGEX REPLACE "delver: slot [12]: [A-Za-z0-9., ]+ missing or empty; that part of the game is unchanged\n" ""
       unexpected "${unexpected}")
if(NOT unexpected STREQUAL "")
  message(FATAL_ERROR "delver wrote to stderr:\n${err}")
endif()

string(STRIP "${out}" report)
string(FIND "${report}" "\n" newline)
if(NOT newline EQUAL -1)
  message(FATAL_ERROR "the report is not one line:\n${out}")
endif()
string(JSON frames ERROR_VARIABLE json_error GET "${report}" frames)
if(json_error)
  message(FATAL_ERROR "the report is not valid JSON (${json_error}):\n${report}")
endif()
if(NOT frames EQUAL FRAMES)
  message(FATAL_ERROR "the report counts ${frames} frames, not ${FRAMES}:\n${report}")
endif()
message(STATUS "soak report: ${report}")

# Both slots were saved by the script: each must be four whole files.
foreach(slot 1 2)
  foreach(part mainmap:11796480 flagmap:11796480 unit:2112000 variables:32)
    string(REPLACE ":" ";" part "${part}")
    list(GET part 0 ext)
    list(GET part 1 size)
    set(file "${WORK_DIR}/map/SAVEGAME${slot}.${ext}")
    if(NOT EXISTS "${file}")
      message(FATAL_ERROR "slot ${slot} has no ${ext} file")
    endif()
    file(SIZE "${file}" got)
    if(NOT got EQUAL size)
      message(FATAL_ERROR "SAVEGAME${slot}.${ext} holds ${got} bytes, not ${size}")
    endif()
  endforeach()
endforeach()

# Leave nothing large behind.
file(REMOVE_RECURSE "${WORK_DIR}")
