# bench_peimage: writing a personalised copy next to a plain copy of the same
# file. On Windows the executable carries the card's resources and copies
# itself; the host build measures the personaliser on a card-sized file.
if(WIN32)
  add_executable(bench_peimage ${CMAKE_CURRENT_LIST_DIR}/peimage_bench_win.cpp
    $<TARGET_OBJECTS:cardling_resources>)
  target_link_libraries(bench_peimage PRIVATE cardling_peimage)
else()
  add_executable(bench_peimage ${CMAKE_CURRENT_LIST_DIR}/peimage_bench_native.cpp
    ${PROJECT_SOURCE_DIR}/tests/peimage/pe_builder.cpp)
  target_link_libraries(bench_peimage PRIVATE cardling_personalise)
endif()
