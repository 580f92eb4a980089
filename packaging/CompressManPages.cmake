# Run by CPack on its staging tree before it builds the package: Debian wants manual pages
# compressed with gzip -9n (no name or time stamp inside). A plain `cmake --install` leaves
# them as written, which man reads just as well.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(file IN LISTS staged)
    if(file MATCHES "/share/man/man[^/]+/[^/]+$" AND NOT file MATCHES "[.]gz$")
        execute_process(COMMAND gzip -9 -n -f "${file}" RESULT_VARIABLE status)
        if(NOT status EQUAL 0)
            message(FATAL_ERROR "Cannot compress the manual page ${file}")
        endif()
    endif()
endforeach()
