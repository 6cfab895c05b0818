# Demo line benchmarks: the demo server's throughput on loopback, and lintaro-cli reading the demo
# line end to end next to parsing the same page from a file.
add_executable(bench_demo ${CMAKE_CURRENT_LIST_DIR}/demo_bench.cpp)
target_link_libraries(bench_demo PRIVATE lintaro_demo benchmark::benchmark Threads::Threads)
target_compile_definitions(bench_demo PRIVATE LINTARO_CLI="$<TARGET_FILE:lintaro-cli>")
add_dependencies(bench_demo lintaro-cli)
