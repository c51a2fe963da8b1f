# libFuzzer over the executable rewriter core, seeded with small executables
# in the layouts it accepts.
if(NOT WIN32)
  add_executable(peimage_fuzzer ${CMAKE_CURRENT_LIST_DIR}/peimage_fuzzer.cpp)
  target_compile_options(peimage_fuzzer PRIVATE -fsanitize=fuzzer)
  target_link_options(peimage_fuzzer PRIVATE -fsanitize=fuzzer)
  target_link_libraries(peimage_fuzzer PRIVATE cardling_bytes)

  add_executable(peimage_fuzz_seeds ${CMAKE_CURRENT_LIST_DIR}/peimage_seeds.cpp
    ${PROJECT_SOURCE_DIR}/tests/peimage/pe_builder.cpp)
  target_include_directories(peimage_fuzz_seeds PRIVATE ${PROJECT_SOURCE_DIR})
  set(peimage_corpus ${CMAKE_CURRENT_BINARY_DIR}/peimage_corpus)
  file(MAKE_DIRECTORY ${peimage_corpus})
  add_custom_command(TARGET peimage_fuzzer POST_BUILD
    COMMAND peimage_fuzz_seeds ${peimage_corpus}
    VERBATIM)
  add_dependencies(peimage_fuzzer peimage_fuzz_seeds)
endif()
