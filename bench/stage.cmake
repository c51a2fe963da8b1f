# The desktop stage's cost per tick over the show, on the real screen.
if(WIN32)
  add_executable(bench_stage ${CMAKE_CURRENT_LIST_DIR}/bench_stage.cpp $<TARGET_OBJECTS:cardling_resources>)
  target_link_libraries(bench_stage PRIVATE cardling_stage cardling_app winmm advapi32)
endif()
