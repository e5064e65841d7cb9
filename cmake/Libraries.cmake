# SPDX-License-Identifier: GPL-2.0-or-later
# Each library exports its own folder and nothing else: a header of a library that a target does
# not link is not found, so an undeclared dependency fails the build instead of compiling.
#
# The folder is reached through a link named after it in a per-library include root, so that
# includes keep their "folder/Header.h" form.
function(kestrune_public_headers target folder)
    get_filename_component(name ${folder} NAME)
    set(root ${PROJECT_BINARY_DIR}/include/${target})
    if(NOT IS_SYMLINK ${root}/${name})
        file(MAKE_DIRECTORY ${root})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${name} SYMBOLIC)
    endif()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${target} INTERFACE ${root})
    else()
        target_include_directories(${target} PUBLIC ${root})
    endif()
endfunction()
