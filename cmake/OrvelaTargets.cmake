# Compiler settings every target of the project shares.
function(orvela_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                             -Wno-sign-conversion)
    if(ORVELA_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    if(ORVELA_SANITIZE OR ORVELA_FUZZ)
        target_compile_options(${target} PRIVATE -fsanitize=address,undefined
                                                 -fno-sanitize-recover=all -fno-omit-frame-pointer)
        target_link_options(${target} PRIVATE -fsanitize=address,undefined)
    endif()
    if(ORVELA_FUZZ)
        target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
    endif()
endfunction()

# A GoogleTest executable registered with CTest.
function(orvela_add_gtest target)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${target} ${ARG_SOURCES})
    orvela_target_defaults(${target})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60)
endfunction()

# Like orvela_add_gtest, but every discovered test runs inside a private D-Bus session with its
# own keyring (scripts/lib/with-keyring.sh), and the suite links the application's test support.
function(orvela_add_keyring_gtest target)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${target} ${ARG_SOURCES})
    orvela_target_defaults(${target})
    target_link_libraries(${target} PRIVATE OrvelaAppTestSupport ${ARG_LIBS}
                                            GTest::gtest GTest::gmock GTest::gtest_main)
    # gtest_discover_tests runs the listing and every test through the target's emulator.
    set_target_properties(${target} PROPERTIES
        CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/lib/with-keyring.sh)
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endfunction()

# A libFuzzer target; built only with ORVELA_FUZZ and clang. INPUTS names a folder of seeds and
# of inputs that once found a fault: scripts/fuzz starts from it, and with tests on, CTest runs
# the target over every input in it once, so a mended fault that comes back fails the suite.
function(orvela_add_fuzzer target)
    cmake_parse_arguments(ARG "" "INPUTS" "SOURCES;LIBS" ${ARGN})
    add_executable(${target} ${ARG_SOURCES})
    orvela_target_defaults(${target})
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${target} PRIVATE ${ARG_LIBS})
    # One name for all of them, so scripts/fuzz builds no test programs.
    if(NOT TARGET fuzzers)
        add_custom_target(fuzzers)
    endif()
    add_dependencies(fuzzers ${target})
    set_property(GLOBAL APPEND PROPERTY ORVELA_FUZZ_TARGETS ${target})
    if(ARG_INPUTS)
        set(inputs ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_INPUTS})
        file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/${target}.inputs "${inputs}\n")
        if(ORVELA_TESTS)
            add_test(NAME ${target}-inputs COMMAND ${target} -runs=0 ${inputs})
        endif()
    endif()
endfunction()

# The fuzz targets this tree defines, one program path a line, for scripts/fuzz: a search of the
# build folder would also find programs a target left behind when it moved. Call once, last.
function(orvela_write_fuzzer_list)
    get_property(targets GLOBAL PROPERTY ORVELA_FUZZ_TARGETS)
    set(paths "")
    foreach(target IN LISTS targets)
        string(APPEND paths "$<TARGET_FILE:${target}>\n")
    endforeach()
    file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/fuzzers.txt CONTENT "${paths}")
endfunction()
