# Odds table benchmarks: insertion rate and the CLI's row output throughput.
add_executable(bench_table ${CMAKE_CURRENT_LIST_DIR}/table_bench.cpp)
target_link_libraries(bench_table PRIVATE lintaro_table lintaro_export benchmark::benchmark)
