# Warnings are errors everywhere in our own code.
function(ferrolet_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    # GCC 12 at -O3 (the Release flags) reports impossible overlaps inside
    # libstdc++'s string concatenation (GCC bug 105651); it is fixed in 13.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
endfunction()
