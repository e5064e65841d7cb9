# SPDX-License-Identifier: GPL-2.0-or-later
# Warnings for our own targets only; third-party headers come in as system includes.
function(kestrune_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                             -Wcast-align -Wunused -Woverloaded-virtual)
    # GCC 12 reports false -Wrestrict hits inside std::string at -O3 (its bug 105329).
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
    if(KESTRUNE_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
