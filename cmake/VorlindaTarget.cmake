# Common settings for every target of ours: strict warnings and, when asked
# for, the sanitizers. Warnings stop the build only where we ask for it
# (CMAKE_COMPILE_WARNING_AS_ERROR in the dev, asan and fuzz presets): a user's
# newer compiler may warn where ours does not.
if(VORLINDA_ASAN)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
# libFuzzer's coverage in every library; UB stops the run like a crash.
if(VORLINDA_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

function(vorlinda_target target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
endfunction()
