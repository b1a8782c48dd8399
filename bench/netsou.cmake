# Benchmark targets of netsou.
find_package(PkgConfig REQUIRED)
pkg_check_modules(BENCH_NETSOU_GST REQUIRED IMPORTED_TARGET gstreamer-1.0)

add_executable(bench_netsou bench_netsou.cpp)
target_link_libraries(bench_netsou PRIVATE AvcUnpack NetSouControl kivTestH264
    PkgConfig::BENCH_NETSOU_GST Threads::Threads)
target_compile_definitions(bench_netsou PRIVATE NETSOU_PLUGIN_FILE="$<TARGET_FILE:NetSou>")
add_dependencies(bench_netsou NetSou)
