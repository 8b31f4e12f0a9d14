# Test script: packs the release zip with CPack into a scratch folder and checks with
# `unzip -l` that it holds exactly the game, the readme and the data folder, nothing empty.
# cmake -DBINARY_DIR=... -DCPACK_COMMAND=... -DPACKAGE_NAME=... [-DEXPECT_FONT=ON] -P this
foreach(var BINARY_DIR CPACK_COMMAND PACKAGE_NAME)
    if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
        message(FATAL_ERROR "check_package: ${var} is not set")
    endif()
endforeach()

# Every picture the roster names, in its exact case, then the font when the build had it.
include(${CMAKE_CURRENT_LIST_DIR}/roster.cmake)
kokurin_roster_pictures(pictures)
set(expected kokurin.exe README.txt)
foreach(name ${pictures})
    list(APPEND expected data/${name})
endforeach()
if(EXPECT_FONT)
    list(APPEND expected data/ZUDEV.TTF data/IPA_Font_License.txt)
endif()

find_program(UNZIP_COMMAND unzip)
if(NOT UNZIP_COMMAND)
    message(FATAL_ERROR "check_package: unzip is needed to read the package")
endif()

set(out ${BINARY_DIR}/package-test)
file(REMOVE_RECURSE ${out})
execute_process(
    COMMAND ${CPACK_COMMAND} -G ZIP --config ${BINARY_DIR}/CPackConfig.cmake -B ${out}
    WORKING_DIRECTORY ${BINARY_DIR}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output
    TIMEOUT 240)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "check_package: cpack failed (${result}):\n${output}")
endif()

set(zip ${out}/${PACKAGE_NAME}.zip)
if(NOT EXISTS ${zip})
    message(FATAL_ERROR "check_package: cpack made no ${PACKAGE_NAME}.zip:\n${output}")
endif()
execute_process(COMMAND ${UNZIP_COMMAND} -l ${zip}
    RESULT_VARIABLE result OUTPUT_VARIABLE listing ERROR_VARIABLE listing)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "check_package: unzip -l failed:\n${listing}")
endif()

# Lines of `unzip -l`: "  <length>  <date> <time>   <name>".
set(files)
set(empty)
string(REPLACE "\n" ";" lines "${listing}")
foreach(line IN LISTS lines)
    if(line MATCHES "^ *([0-9]+) +[0-9][0-9-]+ +[0-9][0-9:]+ +(.+)$")
        set(size ${CMAKE_MATCH_1})
        set(name ${CMAKE_MATCH_2})
        if(NOT name MATCHES "/$")
            list(APPEND files ${name})
            if(size EQUAL 0)
                list(APPEND empty ${name})
            endif()
        endif()
    endif()
endforeach()

set(problems)
foreach(entry IN LISTS expected)
    list(FIND files ${PACKAGE_NAME}/${entry} at)
    if(at EQUAL -1)
        string(APPEND problems "  missing: ${PACKAGE_NAME}/${entry}\n")
    endif()
endforeach()
foreach(name IN LISTS files)
    string(REGEX REPLACE "^${PACKAGE_NAME}/" "" entry "${name}")
    list(FIND expected "${entry}" at)
    if(at EQUAL -1)
        string(APPEND problems "  unexpected: ${name}\n")
    endif()
endforeach()
foreach(name IN LISTS empty)
    string(APPEND problems "  empty: ${name}\n")
endforeach()
if(problems)
    message(FATAL_ERROR "check_package: ${PACKAGE_NAME}.zip is not right:\n${problems}"
                        "Listing:\n${listing}")
endif()
list(LENGTH files count)
message(STATUS "check_package: ${PACKAGE_NAME}.zip holds the ${count} expected files")
