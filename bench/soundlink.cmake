# Benchmark targets of soundlink: two processes with one audio session each.
find_package(PkgConfig REQUIRED)
pkg_check_modules(SOUNDLINK_BENCH_GST REQUIRED IMPORTED_TARGET gstreamer-1.0 gstreamer-app-1.0)

# The mouth-to-ear meter and the CPU reading of this benchmark and of the
# whole-call one.
add_library(kivBenchSound STATIC ${CMAKE_CURRENT_LIST_DIR}/CMouthToEar.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KivProcessCpu.cpp)
target_include_directories(kivBenchSound PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(kivBenchSound PUBLIC kivTestSound Qt5::Core PkgConfig::SOUNDLINK_BENCH_GST)

add_executable(bench_mouth_to_ear ${CMAKE_CURRENT_LIST_DIR}/bench_mouth_to_ear.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CLossyRelay.cpp)
target_link_libraries(bench_mouth_to_ear PRIVATE SoundLink kivTestSound kivBenchSound Qt5::Core
    PkgConfig::SOUNDLINK_BENCH_GST)

add_executable(bench_echo ${CMAKE_CURRENT_LIST_DIR}/bench_echo.cpp)
target_link_libraries(bench_echo PRIVATE kivTestSound Qt5::Core PkgConfig::SOUNDLINK_BENCH_GST)

add_executable(bench_audio_copies ${CMAKE_CURRENT_LIST_DIR}/bench_audio_copies.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CLossyRelay.cpp)
target_link_libraries(bench_audio_copies PRIVATE SoundLink kivTestSound Qt5::Core)
