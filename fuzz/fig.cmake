# libFuzzer over the FIG byte format, seeded with the card's own images.
if(NOT WIN32)
  add_executable(fig_fuzzer ${CMAKE_CURRENT_LIST_DIR}/fig_fuzzer.cpp)
  target_compile_options(fig_fuzzer PRIVATE -fsanitize=fuzzer)
  target_link_options(fig_fuzzer PRIVATE -fsanitize=fuzzer)
  target_link_libraries(fig_fuzzer PRIVATE cardling_bytes)

  # Seeds: every FIG image of the card, copied next to the fuzzer.
  file(GLOB fig_seeds CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/res/*.fig)
  set(fig_corpus ${CMAKE_CURRENT_BINARY_DIR}/fig_corpus)
  file(MAKE_DIRECTORY ${fig_corpus})
  if(fig_seeds)
    add_custom_command(TARGET fig_fuzzer POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${fig_seeds} ${fig_corpus}
      VERBATIM)
  endif()
endif()
