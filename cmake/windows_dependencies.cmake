# Dependencies of the Windows build, from the same Debian packages as the Linux build: JSON and
# fmt are header-only libraries (fmt in its header-only mode), GoogleTest is built from the
# sources Debian ships in googletest. Nothing is downloaded.

# Only these two folders of the Linux headers, copied, so that no other Linux header is in reach.
set(linux_headers ${CMAKE_BINARY_DIR}/linux-headers)
foreach(folder nlohmann fmt)
    if(NOT EXISTS /usr/include/${folder})
        message(FATAL_ERROR "/usr/include/${folder} is missing: run scripts/install-deps.sh")
    endif()
    file(COPY /usr/include/${folder} DESTINATION ${linux_headers})
endforeach()

add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${linux_headers})

add_library(fmt::fmt INTERFACE IMPORTED)
target_include_directories(fmt::fmt SYSTEM INTERFACE ${linux_headers})
target_compile_definitions(fmt::fmt INTERFACE FMT_HEADER_ONLY)

# GoogleTest is third-party code: built without the project's warning flags.
if(CLOAK_HOST_SDK_DIR)
    return()
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
get_directory_property(project_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${project_options}")
