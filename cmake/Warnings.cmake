# The warnings we keep our own code free of. Whether they stop the build is
# the builder's choice: the presets and CI set CMAKE_COMPILE_WARNING_AS_ERROR,
# a packager's plain build with another compiler version does not.
function(ferrolet_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()
