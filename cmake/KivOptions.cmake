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

if(KIV_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "KIV_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
    endif()
    # Instrument everything for coverage; the harnesses add the libFuzzer main.
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
