# Pattern matcher benchmarks: the reader's patterns on generated first-bookmaker pages, next to
# PCRE2 and std::regex (comparison only).
find_package(PkgConfig REQUIRED)
pkg_check_modules(PCRE2 REQUIRED IMPORTED_TARGET libpcre2-8)

add_executable(bench_regex ${CMAKE_CURRENT_LIST_DIR}/regex_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/counted_heap.cpp)
target_link_libraries(bench_regex PRIVATE lintaro_regex lintaro_test_support PkgConfig::PCRE2 benchmark::benchmark)
