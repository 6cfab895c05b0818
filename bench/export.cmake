# Worksheet export benchmarks: 16 000 demo events to the Excel 4.0 sheet, 100 000 to .xlsx, and
# the export's peak memory next to the table's.
add_executable(bench_export ${CMAKE_CURRENT_LIST_DIR}/export_bench.cpp)
target_link_libraries(bench_export PRIVATE lintaro_export lintaro_grid lintaro_demo benchmark::benchmark)
