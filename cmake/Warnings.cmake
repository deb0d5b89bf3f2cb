# The warnings we keep our own code free of. Whether they stop the build is
# the builder's choice: the presets and CI set CMAKE_COMPILE_WARNING_AS_ERROR,
# a packager's plain build with another compiler version does not.
function(ferrolet_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    # GCC 12 at -O3 (the Release flags) reports impossible overlaps inside
    # libstdc++'s string concatenation (GCC bug 105651); it is fixed in 13.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
endfunction()
