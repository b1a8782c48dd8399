# Benchmark targets of deskgrab.
# bench_deskgrab starts its own 1280x800 Xvfb; it needs the Xvfb program.
find_package(PkgConfig REQUIRED)
pkg_check_modules(DESKGRAB_BENCH_DEPS REQUIRED IMPORTED_TARGET gstreamer-1.0)
add_executable(bench_deskgrab ${CMAKE_CURRENT_LIST_DIR}/bench_deskgrab.cpp)
target_link_libraries(bench_deskgrab PRIVATE DeskGrab PkgConfig::DESKGRAB_BENCH_DEPS)
