# Warnings and sanitizer flags shared by every target of the project.
add_compile_options(-Wall -Wextra)
if(KIV_WERROR)
    add_compile_options(-Werror)
endif()

if(KIV_ASAN AND KIV_TSAN)
    message(FATAL_ERROR "KIV_ASAN and KIV_TSAN cannot be combined")
endif()

if(KIV_ASAN)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

if(KIV_TSAN)
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
endif()

# The sanitizers' reports from system libraries are suppressed, for the tests
# and for every program the build or a test starts (children inherit these).
set(KIV_SANITIZER_ENV)
if(KIV_ASAN)
    # Qt's GLX integration loads Mesa's software driver and unloads it before
    # exit, so the one allocation the driver keeps is reported from an unknown
    # module that no suppression can name. Our windows do not use OpenGL.
    list(APPEND KIV_SANITIZER_ENV
        "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/cmake/lsan.supp:print_suppressions=0"
        "QT_XCB_GL_INTEGRATION=none")
endif()
if(KIV_TSAN)
    # The longest access history: a suppression can only match a stack the
    # checker can still restore, and on a loaded machine the element
    # construction behind a GStreamer hand-over had fallen out of the default one.
    # GLib's slice allocator hands memory a thread freed to another thread
    # without passing through malloc, so the checker took a GStreamer buffer
    # reused by a second call's streaming thread for one shared between them;
    # with plain malloc it sees every free and allocation.
    list(APPEND KIV_SANITIZER_ENV
        "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/cmake/tsan.supp:print_suppressions=0:history_size=7"
        "G_SLICE=always-malloc")
endif()

# What every test entry runs with: the sanitizers' settings, and temporary
# files (the tests' databases, filled by the ten thousand rows) on a memory
# file system where the machine has one, so that the tests wait for no disk.
set(KIV_TEST_ENV ${KIV_SANITIZER_ENV})
# The install tests run programs from their temporary folders: not on a
# memory file system mounted without exec rights.
if(IS_DIRECTORY /dev/shm AND EXISTS /proc/mounts)
    file(STRINGS /proc/mounts KIV_SHM_MOUNT REGEX "^[^ ]+ /dev/shm ")
    if(KIV_SHM_MOUNT AND NOT KIV_SHM_MOUNT MATCHES "noexec")
        list(APPEND KIV_TEST_ENV "TMPDIR=/dev/shm")
    endif()
endif()

if(KIV_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "KIV_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
    endif()
    # Instrument everything for coverage; the harnesses add the libFuzzer main.
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
