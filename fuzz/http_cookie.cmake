# Fuzz targets of the cookie store: the cookie line parser with the store around it, and the
# internet date reader.
lintaro_fuzz_target(cookie_line_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/cookie_line_fuzz.cpp
                    LIBS lintaro_http)
lintaro_fuzz_target(internet_date_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/internet_date_fuzz.cpp
                    LIBS lintaro_http)
