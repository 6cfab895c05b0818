# Matching and comparing two bookmakers' lines: 20 000 events against 20 000, and the memory the
# comparison takes next to the two tables'; the demo line's two bookmakers matched and merged as the
# window does.
add_executable(bench_compare ${CMAKE_CURRENT_LIST_DIR}/compare_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/counted_heap.cpp)
target_link_libraries(bench_compare PRIVATE lintaro_compare lintaro_demo benchmark::benchmark)
