# One static library per layer, built from every .cpp of the folder except
# tests (*_test.cpp), platform backends of the other kind and program entries.
# Tests of a layer form one GoogleTest executable, <layer>_tests. On Windows
# (run under Wine) a test file is built only when it does not need the
# simulated machine's own parts, which a real Windows machine cannot take
# (see kiv_portable_files below).
function(kiv_layer name)
  cmake_parse_arguments(L "" "" "DEPS;TEST_DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
                                   ${CMAKE_CURRENT_SOURCE_DIR}/${KIV_BACKEND}/*.cpp)
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp
                                    ${CMAKE_CURRENT_SOURCE_DIR}/${KIV_BACKEND}/*_test.cpp)
  list(FILTER srcs EXCLUDE REGEX "_test\\.cpp$")
  list(FILTER srcs EXCLUDE REGEX "(^|/)entry_main\\.cpp$")
  if(KIV_BACKEND STREQUAL "sim")
    list(FILTER srcs EXCLUDE REGEX "_win\\.cpp$")
    list(FILTER tests EXCLUDE REGEX "_win_test\\.cpp$")
  else()
    list(FILTER srcs EXCLUDE REGEX "_sim\\.cpp$")
    list(FILTER tests EXCLUDE REGEX "_sim_test\\.cpp$")
    kiv_portable_files(tests "${name} tests")
  endif()
  if(srcs)
    add_library(kiv_${name} STATIC ${srcs})
    target_include_directories(kiv_${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(kiv_${name} PUBLIC ${L_DEPS})
  else()  # a layer whose first sources have not landed yet
    add_library(kiv_${name} INTERFACE)
    target_include_directories(kiv_${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(kiv_${name} INTERFACE ${L_DEPS})
  endif()
  if(tests)
    add_executable(${name}_tests ${tests})
    target_link_libraries(${name}_tests PRIVATE kiv_${name} kiv_testing ${L_TEST_DEPS} GTest::gtest_main GTest::gmock)
    if(TARGET kiv_resources_rc)  # tests read the executable's own resources
      target_link_libraries(${name}_tests PRIVATE kiv_resources_rc)
    endif()
    # On Windows the machine fixture's tests share the real registry: one at a time.
    set(lock "")
    if(KIV_BACKEND STREQUAL "win")
      foreach(test IN LISTS tests)
        file(STRINGS ${test} uses_machine REGEX "MachineTest")
        if(uses_machine)
          set(lock RESOURCE_LOCK kiv_real_machine)
        endif()
      endforeach()
    endif()
    gtest_discover_tests(${name}_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120 ${lock})
  endif()
endfunction()

# What a Windows build cannot take: the simulated machine (its control
# interface, its internals, the machine fixture's sandbox and the fixture's
# name for tests written for the simulated machine only), a POSIX header, or
# a test helper of platform/testing/ that needs either. A test of the machine
# fixture (MachineTest) is portable: on Windows it runs on the real machine.
set(KIV_NOT_PORTABLE "SimMachineTest|Sandbox\\(\\)|WriteHostFile|WriteHostProgram|sim_control|platform/sim/|#include <(arpa/|netinet/|netdb\\.h|sys/socket|sys/wait|sys/mman|poll\\.h|dirent\\.h|spawn\\.h|dlfcn\\.h)")
if(KIV_BACKEND STREQUAL "win")
  # A helper may need another helper: repeat until no more are found.
  file(GLOB helpers ${PROJECT_SOURCE_DIR}/platform/testing/*.cpp)
  list(FILTER helpers EXCLUDE REGEX "_(sim|win)\\.cpp$")
  set(found TRUE)
  while(found)
    set(found FALSE)
    foreach(helper IN LISTS helpers)
      string(REGEX REPLACE "\\.cpp$" ".h" header ${helper})
      set(uses "")
      foreach(file IN ITEMS ${helper} ${header})
        if(EXISTS ${file})
          set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
          file(STRINGS ${file} found_here REGEX "${KIV_NOT_PORTABLE}")
          list(APPEND uses ${found_here})
        endif()
      endforeach()
      if(uses)
        get_filename_component(stem ${helper} NAME_WE)
        string(APPEND KIV_NOT_PORTABLE "|platform/testing/${stem}\\.h")
        list(REMOVE_ITEM helpers ${helper})
        set(found TRUE)
      endif()
    endforeach()
  endwhile()
endif()

# Keeps in the list named by var the files that a Windows build can take, and
# says how many of the files of what (e.g. "platform tests") are built and
# left out.
function(kiv_portable_files var what)
  set(kept "")
  set(left 0)
  foreach(file IN LISTS ${var})
    # Configured again when the file changes: what it uses decides the build.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
    file(STRINGS ${file} uses REGEX "${KIV_NOT_PORTABLE}")
    if(uses)
      math(EXPR left "${left} + 1")
    else()
      list(APPEND kept ${file})
    endif()
  endforeach()
  list(LENGTH kept count)
  if(count OR left)
    message(STATUS "${what}: ${count} files built for Windows, ${left} left out (simulated machine or POSIX)")
  endif()
  set(${var} ${kept} PARENT_SCOPE)
endfunction()
