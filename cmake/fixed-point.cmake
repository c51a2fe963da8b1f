# The shipped card is the rewriter's fixed point: the linked executable passed
# once through the personaliser with its own greeting. The linker pads the
# resource section with zeros where the rewriter writes "PADDINGPADDINGXX",
# so only after this pass does saving the card unchanged, or with the same
# greeting, give back the very same file.
#
#   cardling_fixed_point(TARGET)
# rewrites TARGET's file in place after every link. The Windows build can't
# run its own personaliser, so the host compiler builds one from the same
# sources (a few seconds, only when they change).
#
# Run as a script (cmake -DPERSONALISE=... -DEXE=... -P fixed-point.cmake) it
# does the pass itself.

if(CMAKE_SCRIPT_MODE_FILE)
  set(message_file ${EXE}.message)
  set(rewritten ${EXE}.fixed)
  execute_process(COMMAND ${PERSONALISE} --print-message ${EXE}
    OUTPUT_FILE ${message_file} RESULT_VARIABLE printed)
  if(NOT printed EQUAL 0)
    message(FATAL_ERROR "fixed point: can't read the greeting of ${EXE}")
  endif()
  execute_process(COMMAND ${PERSONALISE} ${EXE} ${rewritten} --message-file ${message_file}
    RESULT_VARIABLE rewrote)
  file(REMOVE ${message_file})
  if(NOT rewrote EQUAL 0)
    message(FATAL_ERROR "fixed point: can't rewrite ${EXE}")
  endif()
  file(RENAME ${rewritten} ${EXE})
  return()
endif()

include_guard(GLOBAL)

# The personaliser that runs on the build machine: the native target in the
# host build, a host-compiled copy in the Windows build.
function(cardling_host_personaliser out_var)
  if(NOT CMAKE_CROSSCOMPILING)
    set(${out_var} $<TARGET_FILE:cardling-personalise> PARENT_SCOPE)
    return()
  endif()
  set(program ${CMAKE_BINARY_DIR}/host/cardling-personalise)
  set(sources
    ${PROJECT_SOURCE_DIR}/peimage/byte_sink.cpp
    ${PROJECT_SOURCE_DIR}/peimage/resource_directory.cpp
    ${PROJECT_SOURCE_DIR}/peimage/exe_rewriter.cpp
    ${PROJECT_SOURCE_DIR}/tools/personalise/personalise.cpp
    ${PROJECT_SOURCE_DIR}/tools/personalise/file_system_posix.cpp
    ${PROJECT_SOURCE_DIR}/tools/personalise/main.cpp)
  if(NOT TARGET cardling_host_personalise)
    find_program(CARDLING_HOST_CXX NAMES c++ g++ clang++ REQUIRED)
    file(GLOB headers ${PROJECT_SOURCE_DIR}/peimage/*.h ${PROJECT_SOURCE_DIR}/tools/personalise/*.h)
    add_custom_command(OUTPUT ${program}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
      COMMAND ${CARDLING_HOST_CXX} -std=c++17 -O2 -I${PROJECT_SOURCE_DIR}
              ${sources} -o ${program}
      DEPENDS ${sources} ${headers}
      COMMENT "Building the host personaliser"
      VERBATIM)
    add_custom_target(cardling_host_personalise DEPENDS ${program})
  endif()
  set(${out_var} ${program} PARENT_SCOPE)
endfunction()

function(cardling_fixed_point target)
  cardling_host_personaliser(personalise)
  if(TARGET cardling_host_personalise)
    add_dependencies(${target} cardling_host_personalise)
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DPERSONALISE=${personalise} -DEXE=$<TARGET_FILE:${target}>
            -P ${PROJECT_SOURCE_DIR}/cmake/fixed-point.cmake
    COMMENT "Making ${target} the rewriter's fixed point"
    VERBATIM)
endfunction()
