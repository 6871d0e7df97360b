# Common settings for every target of ours: strict warnings and, when asked
# for, the sanitizers. Warnings stop the build only where we ask for it
# (CMAKE_COMPILE_WARNING_AS_ERROR in the dev and asan presets): a user's
# newer compiler may warn where ours does not.
if(VORLINDA_ASAN)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
    # With clang, libFuzzer's coverage too, so that the same libraries serve
    # the fuzz targets (tests/fuzz/run.sh); elsewhere the sanitizer runtime's
    # empty coverage hooks take it.
    # -O1 as the sanitizers' own documentation advises: the coverage makes
    # an unoptimised build of the dictionary readers several times slower.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        set(VORLINDA_LIBFUZZER ON)
        add_compile_options(-fsanitize=fuzzer-no-link -O1)
    endif()
endif()

function(vorlinda_target target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
endfunction()
