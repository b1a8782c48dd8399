# Run by CPack on the staged package, before the Debian package is made: the
# libraries its programs and libraries link, as dpkg-shlibdeps names their
# packages, join the hand-written dependencies. CPack's own way runs `file`
# on each of the 500-odd staged files; the ELF ones are known by their first
# four bytes.
set(stage "${CPACK_TEMPORARY_DIRECTORY}")
file(GLOB_RECURSE staged LIST_DIRECTORIES false RELATIVE "${stage}" "${stage}/*")
set(binaries "")
foreach(path IN LISTS staged)
    if(NOT IS_SYMLINK "${stage}/${path}")
        file(READ "${stage}/${path}" magic LIMIT 4 HEX)
        if(magic STREQUAL "7f454c46")
            list(APPEND binaries "${path}")
        endif()
    endif()
endforeach()
if(NOT binaries)
    message(FATAL_ERROR "KivPackageDepends: no program in the package")
endif()
find_program(KIV_SHLIBDEPS dpkg-shlibdeps REQUIRED)
# dpkg-shlibdeps wants a source package's control file, and a DEBIAN folder
# to find the package's root when it follows $ORIGIN run paths.
file(WRITE "${stage}/debian/control" "")
file(MAKE_DIRECTORY "${stage}/DEBIAN")
execute_process(COMMAND "${KIV_SHLIBDEPS}" --ignore-missing-info -O ${binaries}
    WORKING_DIRECTORY "${stage}"
    OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE result
    OUTPUT_STRIP_TRAILING_WHITESPACE)
file(REMOVE_RECURSE "${stage}/debian" "${stage}/DEBIAN")
if(NOT result EQUAL 0 OR NOT output MATCHES "shlibs:Depends=")
    message(FATAL_ERROR "KivPackageDepends: dpkg-shlibdeps failed: ${errors}")
endif()
string(REGEX REPLACE "^.*shlibs:Depends=" "" linked "${output}")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CPACK_DEBIAN_PACKAGE_DEPENDS}, ${linked}")
