# The Qt-free core of the program: the coupon engine, the settings file and
# the event handlers. The window (window.cmake) and the tests link it.
add_library(quiterval-core STATIC
    ${CMAKE_CURRENT_LIST_DIR}/coupon_engine.cpp
    ${CMAKE_CURRENT_LIST_DIR}/settings_file.cpp
    ${CMAKE_CURRENT_LIST_DIR}/form_handlers.cpp)
target_include_directories(quiterval-core PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(quiterval-core PUBLIC quiterval-shared quiterval-fields quiterval-driver
                                            torlib quiterval-platform)
