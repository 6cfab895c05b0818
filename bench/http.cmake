# HTTP client benchmarks: FetchText against /usr/bin/curl (comparison only) on a loopback server.
add_executable(bench_http ${CMAKE_CURRENT_LIST_DIR}/http_bench.cpp)
target_link_libraries(bench_http PRIVATE lintaro_http benchmark::benchmark Threads::Threads)
target_compile_definitions(bench_http PRIVATE LINTARO_CLI="$<TARGET_FILE:lintaro-cli>")
add_dependencies(bench_http lintaro-cli)

# Cookie floods: 30 000 Set-Cookie lines in one answer, and in each of four redirects.
add_executable(bench_http_cookies ${CMAKE_CURRENT_LIST_DIR}/http_cookies_bench.cpp)
target_link_libraries(bench_http_cookies PRIVATE lintaro_http benchmark::benchmark Threads::Threads)
