# Event sheet benchmarks: every hostile sheet of the tests and the worst sheets the bounds allow,
# from the bounded writer to a laid-out, painted viewer, with the time and memory each takes.
if(TARGET lintaro_views)
    add_executable(bench_sheet ${CMAKE_CURRENT_LIST_DIR}/sheet_bench.cpp)
    target_link_libraries(bench_sheet PRIVATE lintaro_views lintaro_test_support benchmark::benchmark)
endif()
