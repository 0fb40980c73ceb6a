# The hardening Debian expects of a packaged program (lintian and hardening-check look for it):
# position-independent executable, stack protector, fortified libc calls, read-only relocations
# resolved at start-up. Applied to every target of the project, tests included, so the tests run
# the code as it ships.
#
# Include it before the first target is defined: it sets defaults that targets copy on creation.
#
# Not added: control-flow protection (-fcf-protection, Intel CET). Debian 12's default build flags
# do not enable it and its Qt and other libraries are built without it; CET only takes effect when
# every object in the process has it, so our binary alone would gain nothing. The packaging test
# therefore runs hardening-check with --nocfprotection.

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

# glibc only fortifies optimised code and warns (an error with BRELUNDA_WERROR) when asked to
# fortify without optimisation, so only the optimised configurations get it. The -U first keeps
# a definition arriving from CXXFLAGS (dpkg-buildflags, a distribution's compiler defaults) from
# turning into a redefinition warning.
set(brelunda_optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
add_compile_options(
    "$<${brelunda_optimised}:-U_FORTIFY_SOURCE>"
    "$<${brelunda_optimised}:-D_FORTIFY_SOURCE=2>")

add_link_options(LINKER:-z,relro LINKER:-z,now)

unset(brelunda_optimised)
unset(brelunda_qt_options)
unset(brelunda_pie_output)
