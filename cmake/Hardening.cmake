# The hardening Debian builds its packages with (lintian and hardening-check look for it):
# position-independent executable, stack protector, fortified libc calls, read-only relocations
# resolved at start-up, and where the toolchain has them stack clash protection and control-flow
# protection. Applied to every target of the project, tests included, so the tests run the code as
# it ships.
#
# Include it before the first target is defined: it sets defaults that targets copy on creation.

if(NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang" OR NOT CMAKE_EXECUTABLE_FORMAT STREQUAL "ELF")
    # MinGW, MSVC and Apple toolchains harden differently (or by default); nothing to add there.
    return()
endif()

include(CheckCXXCompilerFlag)
include(CheckPIESupported)

# Position-independent executables. Qt built with reduce-relocations (Debian's is) hands -fPIC to
# everything that uses it and must not see code compiled with -fPIE: -fPIE lets the compiler bind
# function addresses inside the executable, which breaks Qt's comparison of signal addresses
# across the library boundary. -fPIC objects link into a PIE just as well, so executables get
# -fPIC for compiling and -pie for linking.
check_pie_supported(OUTPUT_VARIABLE brelunda_pie_output LANGUAGES CXX)
if(NOT CMAKE_CXX_LINK_PIE_SUPPORTED)
    message(FATAL_ERROR "The linker cannot produce position-independent executables:\n${brelunda_pie_output}")
endif()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
if(TARGET Qt6::Core)
    get_target_property(brelunda_qt_options Qt6::Core INTERFACE_COMPILE_OPTIONS)
    if(brelunda_qt_options AND "-fPIC" IN_LIST brelunda_qt_options)
        set(CMAKE_CXX_COMPILE_OPTIONS_PIE "${CMAKE_CXX_COMPILE_OPTIONS_PIC}")
    endif()
endif()

add_compile_options(-fstack-protector-strong)

# Stack clash protection is part of Debian's defaults on amd64; older compilers lack it.
check_cxx_compiler_flag(-fstack-clash-protection BRELUNDA_HAVE_STACK_CLASH_PROTECTION)
if(BRELUNDA_HAVE_STACK_CLASH_PROTECTION)
    add_compile_options(-fstack-clash-protection)
endif()

# Control-flow protection (Intel CET), in Debian's defaults on amd64 since Debian 13. The kernel
# enforces it only when every object in the process carries it: on Debian 12, whose C runtime and
# Qt are built without it, the program gains nothing yet, but loses nothing either and is ready
# wherever the rest of the system has it. The package check tells the two cases apart.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64|i.86)$")
    check_cxx_compiler_flag(-fcf-protection BRELUNDA_HAVE_CF_PROTECTION)
    if(BRELUNDA_HAVE_CF_PROTECTION)
        add_compile_options(-fcf-protection)
    endif()
endif()

# Level 3 fortifies calls whose buffer sizes are known only at run time too; it needs glibc 2.34
# and GCC 12 (or clang 9), and glibc quietly falls back to level 2 without them, so it is asked
# for only where the headers take it.
include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_FLAGS "-O2 -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=3")
check_cxx_source_compiles([[
#include <cstring>
#if !defined(__USE_FORTIFY_LEVEL) || __USE_FORTIFY_LEVEL < 3
#error no fortify level 3
#endif
int main() { return 0; }
]] BRELUNDA_HAVE_FORTIFY_SOURCE_3)
unset(CMAKE_REQUIRED_FLAGS)
if(BRELUNDA_HAVE_FORTIFY_SOURCE_3)
    set(brelunda_fortify_level 3)
else()
    set(brelunda_fortify_level 2)
endif()

# glibc only fortifies optimised code and warns (an error with BRELUNDA_WERROR) when asked to
# fortify without optimisation, so only the optimised configurations get it. The -U first keeps
# a definition arriving from CXXFLAGS (dpkg-buildflags, a distribution's compiler defaults) from
# turning into a redefinition warning.
set(brelunda_optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
add_compile_options(
    "$<${brelunda_optimised}:-U_FORTIFY_SOURCE>"
    "$<${brelunda_optimised}:-D_FORTIFY_SOURCE=${brelunda_fortify_level}>")

add_link_options(LINKER:-z,relro LINKER:-z,now)

unset(brelunda_optimised)
unset(brelunda_fortify_level)
unset(brelunda_qt_options)
unset(brelunda_pie_output)
