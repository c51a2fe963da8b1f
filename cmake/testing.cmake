# GoogleTest from Debian's sources, built with whichever compiler this preset uses.
include(CTest)
if(BUILD_TESTING)
  set(gtest_disable_pthreads ${WIN32} CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()

# cardling_add_test(NAME SOURCES... [LIBS...] [RESOURCES] [DEPTH8])
# One CTest entry per executable: every Wine start costs time.
#   RESOURCES  links the card's own resources into the test executable.
#   DEPTH8     also runs it on an 8-bit palette display (Windows only).
function(cardling_add_test name)
  cmake_parse_arguments(T "RESOURCES;DEPTH8" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE GTest::gtest_main ${T_LIBS})
  if(T_RESOURCES AND WIN32)
    target_sources(${name} PRIVATE $<TARGET_OBJECTS:cardling_resources>)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
  if(WIN32 AND T_DEPTH8)
    add_test(NAME ${name}_8bit
      COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-exec --depth 8 $<TARGET_FILE:${name}>)
    set_tests_properties(${name}_8bit PROPERTIES TIMEOUT 300)
  endif()
endfunction()
