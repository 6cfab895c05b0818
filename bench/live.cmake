# Live line benchmarks: matching and marking a read of 100 000 events against the previous one,
# the previous line's memory next to the table's, and the recorder appending a read to SQLite.
add_executable(bench_live ${CMAKE_CURRENT_LIST_DIR}/live_bench.cpp)
find_package(SQLite3 REQUIRED)
target_link_libraries(bench_live PRIVATE lintaro_live lintaro_demo lintaro_export SQLite::SQLite3
    benchmark::benchmark)
