# Line reader benchmarks: the first bookmaker's page to odds rows, with our pattern engine and, for
# comparison only, with PCRE2 driving the same conversions.
find_package(PkgConfig REQUIRED)
if(NOT TARGET PkgConfig::PCRE2)
    pkg_check_modules(PCRE2 REQUIRED IMPORTED_TARGET libpcre2-8)
endif()

add_executable(bench_readers ${CMAKE_CURRENT_LIST_DIR}/readers_bench.cpp)
target_link_libraries(bench_readers PRIVATE
    lintaro_readers lintaro_demo PkgConfig::PCRE2 benchmark::benchmark)
