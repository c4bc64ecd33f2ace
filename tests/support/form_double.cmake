# The window double over the form's controls, without GoogleTest: the
# tests' scripted window builds on it, and so do the benchmarks' and the
# fuzzers' doubles, which may be built without the tests.
include_guard(GLOBAL)
add_library(quiterval-form-double STATIC ${CMAKE_CURRENT_LIST_DIR}/form_double.cpp)
target_include_directories(quiterval-form-double PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(quiterval-form-double PUBLIC quiterval-shared)
