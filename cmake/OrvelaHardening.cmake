# The distribution's hardening for everything we build: position-independent executables, a
# strong stack protector, fortified libc calls where the optimiser can see buffer sizes, stack-clash
# and control-flow protection where the compiler has them, and read-only relocations bound at
# start-up. Debian's own flags (dpkg-buildflags with hardening=+all) are these; setting them here
# gives the same binaries from a plain `cmake` build, which is what the package is made from.
#
# Not under the sanitizers or the fuzzers: their runtime brings its own checks, and fortified
# calls hide the accesses AddressSanitizer is there to see.
include(CheckCXXCompilerFlag)

option(ORVELA_HARDENING "Build with the distribution's hardening flags (not with sanitizers)" ON)

function(orvela_enable_hardening)
    if(NOT ORVELA_HARDENING OR ORVELA_SANITIZE OR ORVELA_FUZZ)
        return()
    endif()
    # Qt's headers demand -fPIC (its consumers get it from Qt6::Core), which also serves a
    # position-independent executable; -fPIE would trip Qt's check. Linking as PIE is the
    # compiler's default here, asked for anyway so that it does not depend on one.
    add_link_options($<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:-pie>)
    add_compile_options(-fstack-protector-strong)
    foreach(flag -fstack-clash-protection -fcf-protection)
        string(MAKE_C_IDENTIFIER "ORVELA_HAS${flag}" known)
        check_cxx_compiler_flag(${flag} ${known})
        if(${known})
            add_compile_options(${flag})
        endif()
    endforeach()
    # Fortification needs optimisation; glibc warns without it, which -Werror makes fatal.
    # Undefined first, so a compiler that already defines it does not see a redefinition.
    set(optimised $<CONFIG:Release,RelWithDebInfo,MinSizeRel>)
    add_compile_options($<${optimised}:-U_FORTIFY_SOURCE> $<${optimised}:-D_FORTIFY_SOURCE=2>)
    add_link_options(LINKER:-z,relro LINKER:-z,now)
endfunction()
