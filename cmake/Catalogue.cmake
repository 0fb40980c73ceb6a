# The readings live in messages/catalogue.toml and the About window's credits in
# messages/credits.toml, written by people who are not programmers; tools/catalogue/gencatalogue.py
# and gencredits.py check them and turn them into code at build time, so a broken text stops the
# build with "file:line: what is wrong" instead of reaching a window.
#
# Needs Python3_EXECUTABLE, from find_package(Python3 REQUIRED COMPONENTS Interpreter).

# Resolved here rather than at call time, so the functions work from any directory or project.
get_filename_component(BRELUNDA_CATALOGUE_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

# brelunda_generate_catalogue(<out-var>)
# Adds the rule that generates MessageCatalogue.cpp in the current binary directory and sets
# <out-var> to its path. Call it in the directory that defines the target compiling the file:
# Makefile generators only see custom commands of the same directory.
function(brelunda_generate_catalogue out_var)
    if(NOT Python3_EXECUTABLE)
        message(FATAL_ERROR "brelunda_generate_catalogue: call find_package(Python3 ...) first")
    endif()
    set(catalogue "${BRELUNDA_CATALOGUE_ROOT}/messages/catalogue.toml")
    set(generator "${BRELUNDA_CATALOGUE_ROOT}/tools/catalogue/gencatalogue.py")
    set(output "${CMAKE_CURRENT_BINARY_DIR}/MessageCatalogue.cpp")
    # -B: importing content.py must not leave a __pycache__ in the source tree.
    add_custom_command(
        OUTPUT "${output}"
        COMMAND "${Python3_EXECUTABLE}" -B "${generator}" "${catalogue}" "${output}"
        MAIN_DEPENDENCY "${catalogue}"
        DEPENDS "${generator}" "${BRELUNDA_CATALOGUE_ROOT}/tools/catalogue/content.py"
        COMMENT "Checking messages/catalogue.toml and generating MessageCatalogue.cpp"
        VERBATIM)
    set(${out_var} "${output}" PARENT_SCOPE)
endfunction()

# brelunda_add_credits(<target>)
# The About window's texts, from messages/credits.toml: adds the rule that checks them and writes
# ui/SobreCredits.h under the current binary directory, and lets <target> (defined in the current
# directory, as above) include it as "ui/SobreCredits.h".
function(brelunda_add_credits target)
    if(NOT Python3_EXECUTABLE)
        message(FATAL_ERROR "brelunda_add_credits: call find_package(Python3 ...) first")
    endif()
    set(credits "${BRELUNDA_CATALOGUE_ROOT}/messages/credits.toml")
    set(generator "${BRELUNDA_CATALOGUE_ROOT}/tools/catalogue/gencredits.py")
    set(include_dir "${CMAKE_CURRENT_BINARY_DIR}/generated")
    set(output "${include_dir}/ui/SobreCredits.h")
    file(MAKE_DIRECTORY "${include_dir}/ui")
    add_custom_command(
        OUTPUT "${output}"
        COMMAND "${Python3_EXECUTABLE}" -B "${generator}" "${credits}" "${output}"
        MAIN_DEPENDENCY "${credits}"
        DEPENDS "${generator}" "${BRELUNDA_CATALOGUE_ROOT}/tools/catalogue/content.py"
        COMMENT "Checking messages/credits.toml and generating SobreCredits.h"
        VERBATIM)
    target_sources(${target} PRIVATE "${output}")
    target_include_directories(${target} PRIVATE "${include_dir}")
endfunction()

# brelunda_add_catalogue_tests()
# Registers with CTest the generators' own tests, and the layout the shipped catalogue must keep.
# Call it after enable_testing().
function(brelunda_add_catalogue_tests)
    set(tests_dir "${BRELUNDA_CATALOGUE_ROOT}/tests/catalogue")
    set(suites
        content_generators test_generators
        catalogue_shipped test_shipped)
    while(suites)
        list(POP_FRONT suites name module)
        add_test(NAME ${name}
                 COMMAND "${Python3_EXECUTABLE}" -m unittest -v ${module}
                 WORKING_DIRECTORY "${tests_dir}")
        # The generator test compiles generated code with the project's compiler, against
        # messages/DailyEntry.h in this source tree.
        set_tests_properties(${name} PROPERTIES
            LABELS catalogue
            ENVIRONMENT "BRELUNDA_SOURCE_DIR=${BRELUNDA_CATALOGUE_ROOT};BRELUNDA_CXX=${CMAKE_CXX_COMPILER};PYTHONDONTWRITEBYTECODE=1")
    endwhile()
endfunction()
