# Warnings are errors in the project's own targets; Qt's and GoogleTest's headers are system
# headers and stay quiet.
function(kvir_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Werror
        -Wshadow=local -Wnon-virtual-dtor -Wimplicit-fallthrough)
endfunction()
