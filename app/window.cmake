# The Qt window of Quiterval: the form (main_form.ui, compiled by uic), the
# masked edit fields, the Qt window operations, the resources, and the
# program `quiterval`. Included by app/CMakeLists.txt with QUITERVAL_GUI.

# The resources' drawing program (not built by default; see
# app/resources/regenerate.sh). The drawn files are kept in the sources.
add_executable(quiterval-make-resources EXCLUDE_FROM_ALL
    ${CMAKE_CURRENT_SOURCE_DIR}/resources/make_resources.cpp)
target_link_libraries(quiterval-make-resources PRIVATE Qt6::Gui)

add_library(quiterval-window STATIC
    ${CMAKE_CURRENT_SOURCE_DIR}/main_form.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/main_form.h
    ${CMAKE_CURRENT_SOURCE_DIR}/main_form.ui
    ${CMAKE_CURRENT_SOURCE_DIR}/masked_edit.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/masked_edit.h
    ${CMAKE_CURRENT_SOURCE_DIR}/qt_window_ops.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/qt_window_ops.h)
set_target_properties(quiterval-window PROPERTIES AUTOMOC ON AUTOUIC ON)
target_include_directories(quiterval-window PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(quiterval-window PUBLIC Qt6::Widgets quiterval-core quiterval-driver
                                              quiterval-shared)
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/resources/fd_checkout.bmp
    PROPERTIES QT_RESOURCE_ALIAS FD_CHECKOUT)
qt_add_resources(quiterval-window quiterval_resources
    PREFIX /quiterval
    BASE ${CMAKE_CURRENT_SOURCE_DIR}/resources
    FILES
        ${CMAKE_CURRENT_SOURCE_DIR}/resources/fd_checkout.bmp
        ${CMAKE_CURRENT_SOURCE_DIR}/resources/mao.xbm
        ${CMAKE_CURRENT_SOURCE_DIR}/resources/mao_mask.xbm
        ${CMAKE_CURRENT_SOURCE_DIR}/resources/icon16.png
        ${CMAKE_CURRENT_SOURCE_DIR}/resources/icon32.png)

add_executable(quiterval ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp)
target_link_libraries(quiterval PRIVATE quiterval-window quiterval-version)
# The program uses the simulated printer by default: build it beside it.
add_dependencies(quiterval quiterval-ecfsim)
