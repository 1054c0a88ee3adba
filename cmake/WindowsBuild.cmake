# The Windows build: Fernwick.dll, its type library and resources, and the test tiers run under Wine.

set(FERNWICK_GENERATED ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${FERNWICK_GENERATED})

# Type library, interface header and GUID definitions from one IDL run. widl stamps the type
# library with the time it runs; a release build runs it at a still clock set to SOURCE_DATE_EPOCH
# (which string(TIMESTAMP) reads), so that two builds of one commit give the same type library.
set(FERNWICK_WINE_IDL_INCLUDE /usr/include/wine/wine/windows)
set(FERNWICK_WIDL_CLOCK)
if(FERNWICK_RELEASE)
    string(TIMESTAMP FERNWICK_BUILD_TIME "%Y-%m-%d %H:%M:%S" UTC)
    set(FERNWICK_WIDL_CLOCK ${CMAKE_COMMAND} -E env TZ=UTC faketime -f ${FERNWICK_BUILD_TIME})
endif()
add_custom_command(
    OUTPUT ${FERNWICK_GENERATED}/fernwick.h ${FERNWICK_GENERATED}/fernwick_i.c
           ${FERNWICK_GENERATED}/fernwick.tlb
    COMMAND ${FERNWICK_WIDL_CLOCK} ${FERNWICK_WIDL} --${FERNWICK_TYPELIB_ENV}
            -I${FERNWICK_WINE_IDL_INCLUDE} -L${FERNWICK_WINE_TLB_DIR}
            -h -H ${FERNWICK_GENERATED}/fernwick.h -u -U ${FERNWICK_GENERATED}/fernwick_i.c
            -t -T ${FERNWICK_GENERATED}/fernwick.tlb
            ${CMAKE_SOURCE_DIR}/resources/fernwick.idl
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/fernwick.idl
    COMMENT "Compiling the type library" VERBATIM)
add_custom_target(fernwick_idl DEPENDS ${FERNWICK_GENERATED}/fernwick.h)

# Everything is linked statically except the system DLLs.
set(FERNWICK_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)
set(FERNWICK_SYSTEM_LIBS ole32 oleaut32 uuid advapi32 shell32 comdlg32 comctl32 user32 gdi32 kernel32)

add_library(fernwick_win32 STATIC ${FERNWICK_WIN32_SOURCES} ${FERNWICK_GENERATED}/fernwick_i.c)
add_dependencies(fernwick_win32 fernwick_idl)
target_include_directories(fernwick_win32 PUBLIC ${FERNWICK_GENERATED})
target_compile_definitions(fernwick_win32 PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                                 _WIN32_WINNT=0x0601)
target_link_libraries(fernwick_win32 PUBLIC fernwick_core ${FERNWICK_SYSTEM_LIBS})

file(GLOB FERNWICK_RESOURCE_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*)
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/fernwick.rc PROPERTIES
    OBJECT_DEPENDS "${FERNWICK_GENERATED}/fernwick.tlb;${FERNWICK_RESOURCE_FILES}")

add_library(Fernwick SHARED ${CMAKE_SOURCE_DIR}/server/fernwick.def
                            ${CMAKE_SOURCE_DIR}/resources/fernwick.rc)
set(FERNWICK_DLL ${CMAKE_BINARY_DIR}/Fernwick.dll)
set_target_properties(Fernwick PROPERTIES PREFIX "" OUTPUT_NAME Fernwick
                                          RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_include_directories(Fernwick PRIVATE ${FERNWICK_GENERATED} ${CMAKE_SOURCE_DIR}/resources)
target_compile_definitions(Fernwick PRIVATE
    FERNWICK_VERSION_MAJOR=${PROJECT_VERSION_MAJOR} FERNWICK_VERSION_MINOR=${PROJECT_VERSION_MINOR}
    FERNWICK_VERSION_PATCH=${PROJECT_VERSION_PATCH})
target_link_libraries(Fernwick PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,fernwick_win32>")
# No link time in the file header, so that the same sources always give the same file. The static
# runtime's one-time initialisations, thread keys and mutex locks go to
# runtime_shim/runtime_threads_win32.cpp, which leaves nothing behind when a thread ends or the DLL
# unloads.
target_link_options(Fernwick PRIVATE ${FERNWICK_STATIC_RUNTIME} -Wl,--no-insert-timestamp
                    -Wl,--wrap=pthread_once -Wl,--wrap=pthread_key_create
                    -Wl,--wrap=pthread_getspecific -Wl,--wrap=pthread_setspecific
                    -Wl,--wrap=pthread_mutex_lock -Wl,--wrap=pthread_mutex_unlock)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # The .def file names the exports without their stdcall decorations.
    target_link_options(Fernwick PRIVATE -Wl,--enable-stdcall-fixup)
endif()

if(FERNWICK_RELEASE)
    # The release DLL ships stripped; its debug information stays beside it in Fernwick.dll.debug,
    # which the debug link names, so that a crash address can still be turned into a line.
    add_custom_command(TARGET Fernwick POST_BUILD
        COMMAND ${FERNWICK_OBJCOPY} --only-keep-debug Fernwick.dll Fernwick.dll.debug
        COMMAND ${FERNWICK_OBJCOPY} --strip-all --add-gnu-debuglink=Fernwick.dll.debug Fernwick.dll
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR} VERBATIM)
endif()

# The side-by-side assembly manifest, for hosts that carry Fernwick privately with no
# registration, written from the registry scripts and the IDL by a tool of the build machine.
find_program(FERNWICK_HOST_CXX NAMES g++ c++ REQUIRED)
set(FERNWICK_EXPORT_TOOL ${CMAKE_BINARY_DIR}/host/registration_export)
set(FERNWICK_EXPORT_SOURCES tools/registration_export.cpp server/registrar.cpp
                            server/registry_script.cpp)
add_custom_command(
    OUTPUT ${FERNWICK_EXPORT_TOOL}
    COMMAND ${FERNWICK_HOST_CXX} -std=c++20 -O1 -Wall -Wextra -Werror -I. ${FERNWICK_EXPORT_SOURCES}
            -o ${FERNWICK_EXPORT_TOOL}
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    DEPENDS ${FERNWICK_EXPORT_SOURCES} server/app_id.h server/registrar.h
            server/registry_script.h server/registry_writer.h support/ascii_case.h
    COMMENT "Building the registration export tool for the build machine")
file(GLOB FERNWICK_REGISTRY_SCRIPTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*.rgs)
if(FERNWICK_TYPELIB_ENV STREQUAL "win64")
    set(FERNWICK_ASSEMBLY_ARCH amd64)
else()
    set(FERNWICK_ASSEMBLY_ARCH x86)
endif()
set(FERNWICK_ASSEMBLY_VERSION ${PROJECT_VERSION}.0)
set(FERNWICK_MANIFEST ${CMAKE_BINARY_DIR}/Fernwick.manifest)
add_custom_command(
    OUTPUT ${FERNWICK_MANIFEST}
    COMMAND ${FERNWICK_EXPORT_TOOL} manifest ${FERNWICK_MANIFEST} ${FERNWICK_ASSEMBLY_ARCH}
            ${FERNWICK_ASSEMBLY_VERSION} ${CMAKE_SOURCE_DIR}/resources/fernwick.idl
            ${FERNWICK_REGISTRY_SCRIPTS}
    DEPENDS ${FERNWICK_EXPORT_TOOL} ${CMAKE_SOURCE_DIR}/resources/fernwick.idl
            ${FERNWICK_REGISTRY_SCRIPTS}
    COMMENT "Writing the assembly manifest")
add_custom_target(fernwick_manifest ALL DEPENDS ${FERNWICK_MANIFEST})

# The registry rows of the installer package (scripts/package builds the package from them).
set(FERNWICK_INSTALLER_ROWS ${CMAKE_BINARY_DIR}/installer/classes.wxi
                            ${CMAKE_BINARY_DIR}/installer/shared.wxi
                            ${CMAKE_BINARY_DIR}/installer/interfaces.wxi)
add_custom_command(
    OUTPUT ${FERNWICK_INSTALLER_ROWS}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/installer
    COMMAND ${FERNWICK_EXPORT_TOOL} installer ${CMAKE_BINARY_DIR}/installer ${FERNWICK_TYPELIB_ENV}
            ${CMAKE_SOURCE_DIR}/resources/fernwick.idl ${FERNWICK_REGISTRY_SCRIPTS}
    DEPENDS ${FERNWICK_EXPORT_TOOL} ${CMAKE_SOURCE_DIR}/resources/fernwick.idl
            ${FERNWICK_REGISTRY_SCRIPTS}
    COMMENT "Writing the installer's registry rows")
add_custom_target(fernwick_installer_rows DEPENDS ${FERNWICK_INSTALLER_ROWS})

add_test(NAME dll.exports_and_imports
         COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-dll ${FERNWICK_OBJDUMP} $<TARGET_FILE:Fernwick>)

# GoogleTest compiled from source for the cross compiler.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# Our warnings fail our build; GoogleTest's own sources keep the warnings but not the failure, so
# that a newer cross compiler's verdict on them cannot stop the tests from building.
foreach(target gtest gtest_main gmock gmock_main)
    if(TARGET ${target})
        get_target_property(options ${target} COMPILE_OPTIONS)
        list(REMOVE_ITEM options -Werror)
        set_target_properties(${target} PROPERTIES COMPILE_OPTIONS "${options}")
    endif()
endforeach()

include(cmake/WineTests.cmake)
# Built by tests/ui, started by the dialog script suites of tests/script.
set(FERNWICK_SCRIPT_DRIVER_DIR ${CMAKE_BINARY_DIR}/tests/ui)
add_subdirectory(tests/unit)
add_subdirectory(tests/win)
add_subdirectory(tests/script)
add_subdirectory(tests/ui)
add_subdirectory(tests/regfree)
add_subdirectory(bench)
