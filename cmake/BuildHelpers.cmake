# Helpers every CMakeLists.txt of the tree uses: per-layer include roots and
# the registration of the test programs.

# target_layer_headers(<target> <PUBLIC|PRIVATE|INTERFACE> <file>...)
# Gives <target> an include root of its own in the build tree that holds one
# forwarding header for each header among the files named (the others are
# passed over), at its path from the project root.
# "common/core/X.h" is therefore found by the target and by what links it, and
# a header of a layer the target does not link (a window header in a core
# library) is not found at all: the layering is checked by the compiler.
function(target_layer_headers target scope)
  set(root ${PROJECT_BINARY_DIR}/layers/${target})
  set(wanted)
  foreach(header IN LISTS ARGN)
    if(NOT header MATCHES "\\.h$")
      continue()
    endif()
    get_filename_component(path ${header} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${path})
    list(APPEND wanted ${root}/${relative})
    # Written only when its text changes, so a configure rebuilds nothing.
    file(CONFIGURE OUTPUT ${root}/${relative} CONTENT "#include \"${path}\"\n" @ONLY)
  endforeach()
  # A header taken off the list must stop being found.
  file(GLOB_RECURSE present LIST_DIRECTORIES false ${root}/*)
  foreach(file IN LISTS present)
    if(NOT file IN_LIST wanted)
      file(REMOVE ${file})
    endif()
  endforeach()
  target_include_directories(${target} ${scope} ${root})
endfunction()

# add_layer_library(<target> [DIR <prefix>] [CLASSES <name>...] [FILES <file>...]
#                   [LINKS <target>...])
# A static library of one layer. Each class is <prefix><name>.cpp beside
# <prefix><name>.h; FILES names any other source or header. Its headers are
# found by what links it, and only those (target_layer_headers).
function(add_layer_library target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "DIR" "CLASSES;FILES;LINKS")
  set(files)
  foreach(class IN LISTS arg_CLASSES)
    list(APPEND files ${arg_DIR}${class}.cpp ${arg_DIR}${class}.h)
  endforeach()
  list(APPEND files ${arg_FILES})
  add_library(${target} STATIC ${files})
  target_layer_headers(${target} PUBLIC ${files})
  target_link_libraries(${target} PUBLIC ${arg_LINKS})
endfunction()

# Test programs are compiled without optimisation. Each CI run compiles them
# all, and -O2 more than doubles their compile time for nothing they check:
# the libraries under test keep the build's own flags.
function(unoptimized_test_program target)
  target_compile_options(${target} PRIVATE $<$<CONFIG:RelWithDebInfo,Release>:-O0>)
endfunction()

# add_gtest_suite(<name> SOURCES <file>... LIBRARIES <target>...
#                 [PROGRAMS <program>...] [TEST_PREFIX <prefix>])
# One GoogleTest program in build/tests, its cases registered one by one with
# CTest (in a Windows cross-build, the program as one test). Each program
# named is built first and its path given to the tests as <PROGRAM>_PROGRAM
# (UPDATE_PROGRAM, COMPARE_PROGRAM) for the end-to-end runs.
function(add_gtest_suite name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "TEST_PREFIX" "SOURCES;LIBRARIES;PROGRAMS")
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE ${arg_LIBRARIES} GTest::gtest_main)
  unoptimized_test_program(${name})
  foreach(program IN LISTS arg_PROGRAMS)
    string(TOUPPER ${program} macro)
    target_compile_definitions(${name} PRIVATE ${macro}_PROGRAM="$<TARGET_FILE:${program}>")
    add_dependencies(${name} ${program})
  endforeach()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
  if(WIN32 AND CMAKE_CROSSCOMPILING)
    # Under Wine each process costs most of a second to start: the program
    # is one CTest test that runs all its cases (and none run to list them).
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 300)
  elseif(DEFINED arg_TEST_PREFIX)
    gtest_discover_tests(${name} TEST_PREFIX ${arg_TEST_PREFIX} DISCOVERY_TIMEOUT 60)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

# add_qtest_suite(<name> SOURCES <file>... LIBRARIES <target>... [WINDOW_MANAGER])
# One QtTest program in build/tests, registered as one CTest test. It runs on
# the offscreen platform, or with WINDOW_MANAGER under Xvfb and openbox
# (scripts/with-wm.sh), which skips it with exit status 77 when it cannot.
function(add_qtest_suite name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "WINDOW_MANAGER" "" "SOURCES;LIBRARIES")
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE ${arg_LIBRARIES} Qt6::Test)
  unoptimized_test_program(${name})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
  if(arg_WINDOW_MANAGER)
    add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/scripts/with-wm.sh $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)
  else()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120)
  endif()
endfunction()

# add_program(<name> LOOK <class> VERSION <major> <minor> <revision> GUIDE <file>)
# One program, from its folder once <name>_core exists: <name>_look (what its
# windows show, gui/<class>.cpp, with its version and the legal notice), the
# executable from app/main.cpp, its user guide, and its windows: gui/ (Qt,
# <name>_gui) when BUILD_GUI is on, win32/ (plain Win32 controls,
# <name>_win32_frontend) on Windows.
function(add_program name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "LOOK;GUIDE" "VERSION")
  list(GET arg_VERSION 0 major)
  list(GET arg_VERSION 1 minor)
  list(GET arg_VERSION 2 revision)
  add_layer_library(${name}_look DIR gui/ CLASSES ${arg_LOOK}
                    FILES ${PROJECT_SOURCE_DIR}/common/gui/ProgramLook.h)
  target_compile_definitions(${name}_look PRIVATE VERSION_MAJOR=${major} VERSION_MINOR=${minor}
                             VERSION_REVISION=${revision} LEGAL_NOTICE="${LEGAL_NOTICE}")

  add_executable(${name} app/main.cpp)
  # The start-up both programs share.
  target_layer_headers(${name} PRIVATE ${PROJECT_SOURCE_DIR}/common/app/ProgramMain.h)
  install(TARGETS ${name} RUNTIME DESTINATION bin)
  install(FILES ${arg_GUIDE} DESTINATION share/doc/${name})
  target_link_libraries(${name} PRIVATE ${name}_core)

  if(BUILD_GUI)
    add_subdirectory(gui)
    # The program shows these windows whenever a display is available.
    target_link_libraries(${name} PRIVATE ${name}_gui)
    target_compile_definitions(${name} PRIVATE PROGRAM_WITH_WINDOWS)
    install(FILES ${PROJECT_SOURCE_DIR}/data/${name}.desktop DESTINATION share/applications)
  endif()
  if(WIN32)
    add_subdirectory(win32)
    # Started from the desktop it shows them; its icon and the manifest for
    # themed controls are resources.
    target_sources(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/win32/${name}.rc)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE ${name}_win32_frontend)
    target_compile_definitions(${name} PRIVATE PROGRAM_WITH_WIN32_WINDOWS)
  endif()
endfunction()
