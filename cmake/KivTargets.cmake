# kiv_add_library(NAME SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# A shared library whose folder is its public include directory.
function(kiv_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
    add_library(${name} SHARED ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
    set_target_properties(${name} PROPERTIES CXX_VISIBILITY_PRESET default)
endfunction()

# kiv_add_test(NAME SOURCES ... LIBS ... [ENV ...] [TIMEOUT seconds] [CLASSES list])
# One QtTest executable per module, registered with CTest; widgets render
# offscreen. Each source registers its test classes with KIV_TEST_CLASS.
# CLASSES ("A,B" or "all-but:A,B") limits the entry to some of them.
function(kiv_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT;CLASSES" "SOURCES;LIBS;ENV" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE kivTestMain ${ARG_LIBS})
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    add_test(NAME ${name} COMMAND ${name} ${ARG_CLASSES})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set(env "QT_QPA_PLATFORM=offscreen" ${ARG_ENV} ${KIV_TEST_ENV})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${env}")
endfunction()

# kiv_add_test_entry(NAME EXECUTABLE CLASSES [property value ...])
# One more CTest entry for some classes of a test executable, with the
# executable's own environment and time limit, so that a long module runs
# side by side with others or only its display tests take the display lock.
function(kiv_add_test_entry name executable classes)
    add_test(NAME ${name} COMMAND ${executable} ${classes})
    get_test_property(${executable} ENVIRONMENT env)
    get_test_property(${executable} TIMEOUT timeout)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${timeout} ENVIRONMENT "${env}" ${ARGN})
endfunction()
