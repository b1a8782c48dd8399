# cmake -DSOURCE=<file> -DTARGET=<file> -P CopyIfMissing.cmake
# Copies SOURCE to TARGET unless TARGET exists already.
if(NOT EXISTS "${TARGET}")
    get_filename_component(folder "${TARGET}" DIRECTORY)
    file(MAKE_DIRECTORY "${folder}")
    configure_file("${SOURCE}" "${TARGET}" COPYONLY)
    message(STATUS "Installed the configuration template ${TARGET}")
endif()
