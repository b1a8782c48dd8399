# Benchmark targets of pcmpacker.
find_package(PkgConfig REQUIRED)
pkg_check_modules(PCMPACKER_BENCH_AV REQUIRED IMPORTED_TARGET libavcodec libavutil)

add_executable(bench_pcmpacker
    ${CMAKE_CURRENT_LIST_DIR}/bench_pcmpacker.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CCodecQuality.cpp
    ${PROJECT_SOURCE_DIR}/tests/pcmpacker/CTestSignals.cpp
    ${PROJECT_SOURCE_DIR}/tests/pcmpacker/CAacTestDecoder.cpp
    ${PROJECT_SOURCE_DIR}/tests/pcmpacker/CAlignedSnr.cpp
    ${PROJECT_SOURCE_DIR}/tests/pcmpacker/CTestTone.cpp)
target_include_directories(bench_pcmpacker PRIVATE ${PROJECT_SOURCE_DIR}/tests/pcmpacker)
target_link_libraries(bench_pcmpacker PRIVATE PcmPacker Qt5::Core PkgConfig::PCMPACKER_BENCH_AV)
