# The pattern matcher's fuzz target.
lintaro_fuzz_target(pattern_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/pattern_fuzz.cpp LIBS lintaro_regex)
