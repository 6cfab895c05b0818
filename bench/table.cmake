# Odds table benchmarks: insertion rate and the CLI's row output throughput.
add_executable(bench_table
    ${CMAKE_CURRENT_LIST_DIR}/table_bench.cpp
    ${PROJECT_SOURCE_DIR}/src/cli/row_format.cpp
    ${PROJECT_SOURCE_DIR}/src/cli/cli_args.cpp
)
target_include_directories(bench_table PRIVATE ${PROJECT_SOURCE_DIR}/src/cli)
target_link_libraries(bench_table PRIVATE lintaro_table benchmark::benchmark)
