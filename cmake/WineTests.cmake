# CTest wiring for the tiers that run under Wine: one private prefix in the build tree, one
# persistent wineserver for the whole run, registration as a fixture.

# The 32-bit build shares the 64-bit build's prefix, so that both are registered side by side.
set(FERNWICK_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Wine prefix of the test run")
set(FERNWICK_HARNESS ${CMAKE_SOURCE_DIR}/scripts/wine-harness)
set(FERNWICK_HARNESS_ENV FERNWICK_WINE_ARCH=${FERNWICK_TYPELIB_ENV})

add_test(NAME wine.start COMMAND ${FERNWICK_HARNESS} start ${FERNWICK_WINE_PREFIX})
set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine ENVIRONMENT "${FERNWICK_HARNESS_ENV}")
add_test(NAME wine.stop COMMAND ${FERNWICK_HARNESS} stop ${FERNWICK_WINE_PREFIX})
set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine ENVIRONMENT "${FERNWICK_HARNESS_ENV}")

add_test(NAME wine.register
         COMMAND ${FERNWICK_HARNESS} register ${FERNWICK_WINE_PREFIX} $<TARGET_FILE:Fernwick>)
set_tests_properties(wine.register PROPERTIES FIXTURES_SETUP registered FIXTURES_REQUIRED wine
                                              ENVIRONMENT "${FERNWICK_HARNESS_ENV}")
# Removed again at the end, so that a run of the other build shows that it keeps working alone.
add_test(NAME wine.unregister
         COMMAND ${FERNWICK_HARNESS} unregister ${FERNWICK_WINE_PREFIX} $<TARGET_FILE:Fernwick>)
set_tests_properties(wine.unregister PROPERTIES FIXTURES_CLEANUP registered FIXTURES_REQUIRED wine
                                                ENVIRONMENT "${FERNWICK_HARNESS_ENV}")

# The x86 tier that runs under emulation registers the DLL through its test program instead
# (tests/win) and removes that registration here at its end.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    add_test(NAME x86.unregister
             COMMAND ${FERNWICK_HARNESS} unregister ${FERNWICK_WINE_PREFIX} $<TARGET_FILE:Fernwick>)
    set_tests_properties(x86.unregister PROPERTIES FIXTURES_CLEANUP x86-registered
                                                   FIXTURES_REQUIRED wine LABELS emulated
                                                   ENVIRONMENT "${FERNWICK_HARNESS_ENV}")
endif()

# fernwick_add_wine_test(NAME EXE_TARGET [REGISTERED] [WRAPPER SCRIPT] [PROFILE_TREE] [ARGS ...])
# One CTest test per Windows executable: every Wine process start costs time. Programs that show
# windows use the prefix's own Xvfb, which the harness starts with the wineserver. A WRAPPER
# prepares what Windows programs cannot make and then runs the harness command it is given.
# PROFILE_TREE: the test builds and removes trees below the profile folder's "Documentum", so it
# never runs beside another such test.
function(fernwick_add_wine_test name target)
    cmake_parse_arguments(arg "REGISTERED;PROFILE_TREE" "WRAPPER" "ARGS" ${ARGN})
    set(fixtures wine)
    if(arg_REGISTERED)
        list(APPEND fixtures registered)
    endif()
    set(environment ${FERNWICK_HARNESS_ENV})
    set(command ${arg_WRAPPER} ${FERNWICK_HARNESS} run ${FERNWICK_WINE_PREFIX}
                $<TARGET_FILE:${target}> ${arg_ARGS})
    add_test(NAME ${name} COMMAND ${command})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "${fixtures}"
                                            ENVIRONMENT "${environment}" TIMEOUT 600)
    if(arg_PROFILE_TREE)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK profile-documentum)
    endif()
endfunction()

# fernwick_add_script_suite(FILE [ARGS ...]): a .js or .vbs suite run by cscript against the
# registered DLL.
function(fernwick_add_script_suite file)
    cmake_parse_arguments(arg "" "" "ARGS" ${ARGN})
    get_filename_component(base ${file} NAME)
    set(environment ${FERNWICK_HARNESS_ENV})
    set(command ${FERNWICK_HARNESS} script ${FERNWICK_WINE_PREFIX} ${file} ${arg_ARGS})
    add_test(NAME script.${base} COMMAND ${command})
    set_tests_properties(script.${base} PROPERTIES FIXTURES_REQUIRED "wine;registered"
                                                   ENVIRONMENT "${environment}" TIMEOUT 600)
endfunction()
