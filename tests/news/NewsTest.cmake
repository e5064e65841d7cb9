# SPDX-License-Identifier: GPL-2.0-or-later
# NEWS.md as the build reads it: two releases give a changelog and AppStream releases, newest
# first, with the dates and texts as written; a malformed file stops the build, saying where.
# Run as: cmake -DSOURCE_DIR=<source> -DWORK_DIR=<scratch folder> -P NewsTest.cmake
include(${SOURCE_DIR}/cmake/News.cmake)

function(expect_equal what actual expected)
    if(NOT actual STREQUAL expected)
        message(FATAL_ERROR "${what}:\n--- expected\n${expected}\n--- got\n${actual}")
    endif()
endfunction()

if(DEFINED NEWS_FILE)
    # The child run for a malformed file: reading it is all it does.
    kestrune_read_news(${NEWS_FILE} pkg "A <a@example.org>" ${WORK_DIR}/bad.changelog)
    return()
endif()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
file(WRITE ${WORK_DIR}/NEWS.md [[
# News

Anything before the first release; is ignored.

## 1.2.0 (2027-03-01)

- Macros & recoil <patterns>; `quoted` code,
  continued here.
- A second item.

## 1.0.0 (2026-11-30)

- First.
]])
kestrune_read_news(${WORK_DIR}/NEWS.md pkg "A <a@example.org>" ${WORK_DIR}/changelog)
expect_equal("the newest version" "${KESTRUNE_NEWS_VERSION}" "1.2.0")
file(READ ${WORK_DIR}/changelog changelog)
expect_equal("the changelog" "${changelog}" [[
pkg (1.2.0) unstable; urgency=medium

  * Macros & recoil <patterns>; quoted code,
    continued here.
  * A second item.

 -- A <a@example.org>  Mon, 01 Mar 2027 00:00:00 +0000

pkg (1.0.0) unstable; urgency=medium

  * First.

 -- A <a@example.org>  Mon, 30 Nov 2026 00:00:00 +0000
]])
expect_equal("the releases" "${KESTRUNE_RELEASES}" [[
    <release version="1.2.0" date="2027-03-01">
      <description>
        <ul>
          <li>Macros &amp; recoil &lt;patterns&gt;; quoted code, continued here.</li>
          <li>A second item.</li>
        </ul>
      </description>
    </release>
    <release version="1.0.0" date="2026-11-30">
      <description>
        <ul>
          <li>First.</li>
        </ul>
      </description>
    </release>]])

set(long "- This NEWS line is 79 columns wide: one more than a changelog entry may hold..")
set(bad_cases
    "long line|${long}|NEWS.md:2: the line is too long"
    "no release|# News|has no release"
    "bad heading|## 1.0 (March)|NEWS.md:1: a release heading is"
    "stray text|## 1.0.0 (2026-01-01)\nnot a list item|NEWS.md:2: expected a list item")
foreach(case IN LISTS bad_cases)
    string(REPLACE "|" ";" parts "${case}")
    list(GET parts 0 name)
    list(GET parts 1 text)
    list(GET parts 2 message)
    if(name STREQUAL "long line")
        set(text "## 1.0.0 (2026-01-01)\n${text}")
    endif()
    string(REPLACE "\\n" "\n" text "${text}")
    file(MAKE_DIRECTORY ${WORK_DIR}/${name})
    file(WRITE "${WORK_DIR}/${name}/NEWS.md" "${text}\n")
    execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${SOURCE_DIR}
                            "-DWORK_DIR=${WORK_DIR}/${name}" "-DNEWS_FILE=${WORK_DIR}/${name}/NEWS.md" -P ${CMAKE_CURRENT_LIST_FILE}
                    RESULT_VARIABLE result ERROR_VARIABLE error)
    # CMake wraps its messages to the width of the path in them.
    string(REGEX REPLACE "[ \n]+" " " error "${error}")
    if(result EQUAL 0 OR NOT error MATCHES "${message}")
        message(FATAL_ERROR "${name}: expected the build to stop with \"${message}\", got "
                            "${result}: ${error}")
    endif()
endforeach()
file(REMOVE_RECURSE ${WORK_DIR})
