# The roster's picture files, read from src/screens/roster.def (the game's one list of its
# opponents): each file once, in order of first use. Usable from projects and from -P scripts.
set(KOKURIN_ROSTER_FILE ${CMAKE_CURRENT_LIST_DIR}/../src/screens/roster.def)

function(kokurin_roster_pictures out_var)
    file(STRINGS ${KOKURIN_ROSTER_FILE} lines REGEX "^ROSTER_ENTRY\\(" ENCODING UTF-8)
    set(pictures)
    foreach(line ${lines})
        if(line MATCHES "\"([^\"]+\\.bmp)\"\\)")
            list(APPEND pictures ${CMAKE_MATCH_1})
        endif()
    endforeach()
    list(REMOVE_DUPLICATES pictures)
    if(NOT pictures)
        message(FATAL_ERROR "no pictures found in ${KOKURIN_ROSTER_FILE}")
    endif()
    set(${out_var} ${pictures} PARENT_SCOPE)
endfunction()
