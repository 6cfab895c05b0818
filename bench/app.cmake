# The window's benchmarks: start to a shown main window, and a refresh of 20 000 demo events from F5
# to the collapsed grid next to `lintaro-cli load first` on the same server, and how soon the
# window answers input while a refresh runs (a silent server, a trickling one, a large line).
if(TARGET lintaro_app_core)
    add_executable(bench_app ${CMAKE_CURRENT_LIST_DIR}/app_bench.cpp)
    target_link_libraries(bench_app PRIVATE lintaro_app_core lintaro_demo benchmark::benchmark
        Threads::Threads)
    target_compile_definitions(bench_app PRIVATE LINTARO_CLI="$<TARGET_FILE:lintaro-cli>")
    add_dependencies(bench_app lintaro-cli)
endif()
