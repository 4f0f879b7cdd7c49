# One static library per layer, built from every .cpp of the folder except
# tests (*_test.cpp), platform backends of the other kind and program entries.
# Tests of a layer form one GoogleTest executable, <layer>_tests.
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
    gtest_discover_tests(${name}_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
  endif()
endfunction()
