# Dependencies of the Windows build, from Debian's packages as the Linux build's are: JSON and
# fmt are header-only libraries (fmt in its header-only mode), GoogleTest is built from the
# sources Debian ships in googletest, Dear ImGui from Debian's source package of it (fetched once,
# at the first configure; nothing is downloaded while building).

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

# Dear ImGui, for the settings page: Debian packages it as a library for Linux only, so its core
# sources are taken from Debian's source package (scripts/imgui-source.sh fetches them once into
# .cache/ at the top of the tree) and built here into a static library. It is linked into the
# plugin module and, as a copy of its own, into the stand-in host; neither exports it. The
# plugin's copy never sets up a platform (the host's context brings the clipboard and the input
# method), so the Windows defaults for those are left out. Third-party code: no warning flags.
# Against a host SDK folder, the SDK's own Dear ImGui is used instead (cmake/host_sdk.cmake).
if(CLOAK_SETTINGS_PAGE AND NOT CLOAK_HOST_SDK_DIR)
    execute_process(COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/imgui-source.sh
                    OUTPUT_VARIABLE imgui_sources OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE imgui_fetched)
    if(NOT imgui_fetched EQUAL 0)
        message(FATAL_ERROR "The settings page needs Dear ImGui's sources (above); or configure "
                            "with CLOAK_SETTINGS_PAGE=OFF")
    endif()
    add_library(imgui_dep STATIC ${imgui_sources}/imgui.cpp ${imgui_sources}/imgui_draw.cpp
                                 ${imgui_sources}/imgui_tables.cpp
                                 ${imgui_sources}/imgui_widgets.cpp)
    target_include_directories(imgui_dep SYSTEM PUBLIC ${imgui_sources})
    target_compile_definitions(imgui_dep PRIVATE IMGUI_DISABLE_WIN32_FUNCTIONS)
    target_compile_options(imgui_dep PRIVATE -w)
endif()

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
