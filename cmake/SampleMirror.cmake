# The Windows programs on the sample tree, run through the emulator (Wine)
# by CTest: update mirrors samples/origen into a fresh copy, a second run
# records nothing, and compare finds no difference. Paths are given relative
# to the working folder, as a user in a console would type them.
#   cmake -DEMULATOR=wine -DUPDATE=update.exe -DCOMPARE=compare.exe
#         -DSAMPLES=<samples/origen> -DWORK=<scratch folder> -P SampleMirror.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY ${SAMPLES}/ DESTINATION ${WORK}/origen)

# Each program is started from a console (cmd), as a scheduled script starts
# it: a program started from the desktop would show its windows instead.
function(run what expected program)
  string(REPLACE "/" "\\" windows_path "Z:${program}")
  execute_process(COMMAND ${EMULATOR} cmd /c ${windows_path} ${ARGN} WORKING_DIRECTORY ${WORK}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status STREQUAL "${expected}")
    message(FATAL_ERROR "${what}: exit status ${status}, expected ${expected}\n${out}\n${err}")
  endif()
endfunction()

run("first update" 0 ${UPDATE} /u /logfile:primera.log /log:cud /ct origen copia)
if(NOT EXISTS ${WORK}/primera.log)
  message(FATAL_ERROR "the first run recorded no creation")
endif()
run("second update" 0 ${UPDATE} /u /logfile:segunda.log /log:cud origen copia)
if(EXISTS ${WORK}/segunda.log)
  file(READ ${WORK}/segunda.log log)
  message(FATAL_ERROR "the second run recorded something:\n${log}")
endif()
run("compare" 0 ${COMPARE} /u /logfile:compare.log origen copia)
if(EXISTS ${WORK}/compare.log)
  file(READ ${WORK}/compare.log log)
  message(FATAL_ERROR "compare found differences:\n${log}")
endif()
# The same check with the host's own tools: every file and folder is there
# with its content.
file(GLOB_RECURSE expected RELATIVE ${WORK}/origen LIST_DIRECTORIES true ${WORK}/origen/*)
file(GLOB_RECURSE copied RELATIVE ${WORK}/copia LIST_DIRECTORIES true ${WORK}/copia/*)
if(NOT expected STREQUAL copied)
  message(FATAL_ERROR "the copy lists ${copied}\nthe source ${expected}")
endif()
foreach(entry IN LISTS expected)
  if(NOT IS_DIRECTORY ${WORK}/origen/${entry})
    file(SHA256 ${WORK}/origen/${entry} a)
    file(SHA256 ${WORK}/copia/${entry} b)
    if(NOT a STREQUAL b)
      message(FATAL_ERROR "${entry} differs")
    endif()
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK})
