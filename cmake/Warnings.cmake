# Warnings for our own targets only; third-party headers come in as system includes.
function(kestrune_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                             -Wcast-align -Wunused -Woverloaded-virtual)
    if(KESTRUNE_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
