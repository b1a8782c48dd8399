# The whole-call benchmark drives two clients like the whole-call test.
add_executable(bench_call
    bench_call.cpp
    ${PROJECT_SOURCE_DIR}/tests/callview/CallViewCallRig.cpp
    ${PROJECT_SOURCE_DIR}/tests/client/KivDataTree.cpp
    ${PROJECT_SOURCE_DIR}/tests/client/KivScreen.cpp
    ${PROJECT_SOURCE_DIR}/tests/devserver/CKivDevServerProcess.cpp)
target_include_directories(bench_call PRIVATE ${PROJECT_SOURCE_DIR}/tests/callview
    ${PROJECT_SOURCE_DIR}/tests/client ${PROJECT_SOURCE_DIR}/tests/devserver)
target_link_libraries(bench_call PRIVATE kivTestSound kivBenchSound Qt5::Widgets Qt5::Network Qt5::Test)
target_compile_definitions(bench_call PRIVATE
    KIV_DEV_SERVER_BINARY="$<TARGET_FILE:kivDevServer>"
    KIV_CLIENT_BINARY="$<TARGET_FILE:kivClient>"
    KIV_DATA_DIR="${CMAKE_BINARY_DIR}/data"
    KIV_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots")
add_dependencies(bench_call kivDevServer kivClient kivData CallView)
