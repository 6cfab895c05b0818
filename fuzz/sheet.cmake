# The event sheet's bounded writer's fuzz target.
lintaro_fuzz_target(sheet_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/sheet_fuzz.cpp LIBS lintaro_sheet)
