# Decoding time of the card's FIG images next to zlib's own inflate time.
add_executable(bench_fig ${CMAKE_CURRENT_LIST_DIR}/bench_fig.cpp)
if(WIN32)
  target_sources(bench_fig PRIVATE $<TARGET_OBJECTS:cardling_resources>)
  target_link_libraries(bench_fig PRIVATE cardling_gfx)
else()
  target_link_libraries(bench_fig PRIVATE cardling_bytes)
  target_compile_definitions(bench_fig PRIVATE CARDLING_RES_DIR="${PROJECT_SOURCE_DIR}/res")
endif()
