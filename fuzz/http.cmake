# The HTTP client's fuzz targets: the response reader fed from memory, and URL splitting and
# merging with header folding.
lintaro_fuzz_target(http_response_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/http_response_fuzz.cpp
                    LIBS lintaro_http)
lintaro_fuzz_target(http_url_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/http_url_fuzz.cpp
                    LIBS lintaro_http)
