# Odds grid benchmarks: the headless tree and the grid widget offscreen over 100 000 demo events.
if(TARGET lintaro_views)
    add_executable(bench_grid ${CMAKE_CURRENT_LIST_DIR}/grid_bench.cpp)
    target_link_libraries(bench_grid PRIVATE lintaro_views lintaro_demo benchmark::benchmark)
endif()
