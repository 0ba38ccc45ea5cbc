# The build for the real host: the product against the host's SDK folder (CLOAK_HOST_SDK_DIR),
# laid out as the host installs it:
#   include/bakkesmod/...   the SDK's headers, taking the place of plugin/host/include/
#   lib/pluginsdk.lib       the import library of the host's pluginsdk.dll (MinGW: .dll.a, .a too)
#   imgui_bm.zip            the host's own Dear ImGui sources, which the settings page draws with
# Defines pluginsdk (the SDK's headers, as system headers, and its import library) and imgui_dep
# (Dear ImGui built from imgui_bm.zip, or nothing without the page).
#
# Index
#   The SDK's headers and import library
#   Compilers other than Microsoft's: the SDK's MSVC spellings
#   Dear ImGui from imgui_bm.zip

# ---- The SDK's headers and import library -------------------------------------------------------
set(sdk_include ${CLOAK_HOST_SDK_DIR}/include)
if(NOT EXISTS ${sdk_include}/bakkesmod/plugin/bakkesmodplugin.h)
    message(FATAL_ERROR "CLOAK_HOST_SDK_DIR: ${CLOAK_HOST_SDK_DIR} is not the host's SDK: "
                        "include/bakkesmod/plugin/bakkesmodplugin.h is missing")
endif()
# find_library looks for pluginsdk.lib, and with MinGW for libpluginsdk.dll.a and .a as well; in
# the folder as named, also when cross-compiling.
find_library(CLOAK_HOST_SDK_LIBRARY pluginsdk PATHS ${CLOAK_HOST_SDK_DIR}/lib NO_DEFAULT_PATH
             NO_CMAKE_FIND_ROOT_PATH NO_CACHE)
if(NOT CLOAK_HOST_SDK_LIBRARY)
    message(FATAL_ERROR "CLOAK_HOST_SDK_DIR: no import library of pluginsdk in "
                        "${CLOAK_HOST_SDK_DIR}/lib")
endif()

# ---- Compilers other than Microsoft's: the SDK's MSVC spellings --------------------------------
# The SDK's headers use __pragma and _NODISCARD and spell a few includes with a backslash or in
# another letter case than the file's. Another compiler gets both macros defined (in a header it
# reads before every file), and reads a copy of include/ (in the build folder) whose includes
# name each file as it is named on disk, from include/.
# A quoted include is found as Microsoft's compiler finds it: in the including file's folder,
# then in the folders of the files that included that one, innermost first, then in include/
# (items/LoadoutSetWrapper.h names "wrapperstructs.h" of wrappers/, which includes it by way of
# wrappers/includes.h). Which files include which is known only once the includes are found, so
# they are found again with what the last round learnt until nothing changes.
# The SDK's folder itself is left as it is. Its headers are system headers: the pragmas only MSVC
# knows are not warned about.
if(NOT MSVC)
    set(spelled_include ${PROJECT_BINARY_DIR}/host-sdk-include)
    file(GLOB_RECURSE sdk_files RELATIVE ${sdk_include} ${sdk_include}/*)
    foreach(file IN LISTS sdk_files)
        string(TOLOWER "${file}" lowered)
        set("on_disk_${lowered}" "${file}")
        file(READ "${sdk_include}/${file}" "text_${file}")
        string(REGEX MATCHALL "#[ \t]*include[ \t]*[\"<][^\">\n]*[\">]" "includes_${file}"
               "${text_${file}}")
    endforeach()

    # The file of the SDK an include of `file` names (as found on disk), or "" for a standard or
    # Windows header; `folders` are the folders to search before include/.
    function(sdk_file_of include file folders result)
        string(REPLACE "\\" "/" spelled "${include}")
        string(REGEX REPLACE "^[^\"<]*([\"<])([^\">]*)[\">]$" "\\1;\\2" parts "${spelled}")
        list(GET parts 0 quote)
        list(GET parts 1 named)
        if(NOT quote STREQUAL "\"")
            set(folders "")
        endif()
        foreach(folder IN LISTS folders ITEMS ".")
            set(candidate "${folder}/${named}")
            cmake_path(NORMAL_PATH candidate)
            string(TOLOWER "${candidate}" lowered)
            if(DEFINED "on_disk_${lowered}")
                set(${result} "${on_disk_${lowered}}" PARENT_SCOPE)
                return()
            endif()
        endforeach()
        set(${result} "" PARENT_SCOPE)
    endfunction()

    set(learnt "")
    foreach(round RANGE 1 16)
        # The folders of each file's include stack, as the last round found the includes.
        foreach(file IN LISTS sdk_files)
            get_filename_component(folder "${file}" DIRECTORY)
            if(folder STREQUAL "")
                set(folder ".")
            endif()
            set(stack "${folder}")
            set(seen "${file}")
            set(waiting ${included_by_${file}})
            while(waiting)
                list(POP_FRONT waiting includer)
                if(includer IN_LIST seen)
                    continue()
                endif()
                list(APPEND seen "${includer}")
                get_filename_component(folder "${includer}" DIRECTORY)
                if(folder STREQUAL "")
                    set(folder ".")
                endif()
                list(APPEND stack "${folder}")
                list(APPEND waiting ${included_by_${includer}})
            endwhile()
            list(REMOVE_DUPLICATES stack)
            set("stack_of_${file}" "${stack}")
        endforeach()
        foreach(file IN LISTS sdk_files)
            set("included_by_${file}" "")
        endforeach()
        set(found "")
        foreach(file IN LISTS sdk_files)
            foreach(include IN LISTS "includes_${file}")
                sdk_file_of("${include}" "${file}" "${stack_of_${file}}" target)
                if(target)
                    list(APPEND "included_by_${target}" "${file}")
                    list(APPEND found "${file}>${target}")
                endif()
            endforeach()
        endforeach()
        if(found STREQUAL learnt)
            break()
        endif()
        set(learnt "${found}")
    endforeach()

    foreach(file IN LISTS sdk_files)
        set(text "${text_${file}}")
        foreach(include IN LISTS "includes_${file}")
            sdk_file_of("${include}" "${file}" "${stack_of_${file}}" target)
            # What is not the SDK's keeps its name, with "/" between folders.
            if(target)
                set(spelled "#include \"${target}\"")
            else()
                string(REPLACE "\\" "/" spelled "${include}")
            endif()
            string(REPLACE "${include}" "${spelled}" text "${text}")
        endforeach()
        # Rewritten only when it differs, so that an unchanged SDK rebuilds nothing.
        file(WRITE "${spelled_include}.new" "${text}")
        get_filename_component(copy_folder "${spelled_include}/${file}" DIRECTORY)
        file(MAKE_DIRECTORY "${copy_folder}")
        file(COPY_FILE "${spelled_include}.new" "${spelled_include}/${file}" ONLY_IF_DIFFERENT)
    endforeach()
    file(REMOVE "${spelled_include}.new")
    set(sdk_include ${spelled_include})
    list(TRANSFORM sdk_files PREPEND ${CLOAK_HOST_SDK_DIR}/include/)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${sdk_files})
endif()

add_library(pluginsdk INTERFACE)
target_include_directories(pluginsdk SYSTEM INTERFACE ${sdk_include})
target_link_libraries(pluginsdk INTERFACE ${CLOAK_HOST_SDK_LIBRARY})
if(NOT MSVC)
    set(msvc_spellings ${PROJECT_BINARY_DIR}/msvc_spellings.h)
    file(CONFIGURE OUTPUT ${msvc_spellings} CONTENT [=[
// Microsoft's spellings in the host's SDK, for another compiler (cmake/host_sdk.cmake).
#pragma once
#define __pragma(x) _Pragma(#x)
#define _NODISCARD [[nodiscard]]
]=])
    # The SDK repeats an explicit instantiation (ArrayWrapper<wchar_t>, in arraywrapper.h and
    # Engine/UnrealStringWrapper.h), which Microsoft's compiler accepts and GCC refuses unless
    # permissive; GCC cannot narrow that to some headers, so every file that reads the SDK's
    # headers, in this build only. The other builds hold the same sources to the strict rules.
    target_compile_options(pluginsdk INTERFACE -include ${msvc_spellings}
                                               $<$<CXX_COMPILER_ID:GNU>:-fpermissive>)
endif()

# ---- Dear ImGui from imgui_bm.zip ----------------------------------------------------------------
# The page draws into the host's context with the host's own version of Dear ImGui, so it is
# built from the SDK's copy of its sources: the core files only (the host brings the platform
# and the renderer), into the module, hidden, and not held to our warnings.
set(imgui_zip ${CLOAK_HOST_SDK_DIR}/imgui_bm.zip)
if(CLOAK_SETTINGS_PAGE AND NOT EXISTS ${imgui_zip})
    message(STATUS "The host's SDK has no imgui_bm.zip: building without the settings page")
    set(CLOAK_SETTINGS_PAGE OFF)
endif()
if(CLOAK_SETTINGS_PAGE)
    set(imgui_folder ${PROJECT_BINARY_DIR}/imgui_bm)
    file(REMOVE_RECURSE ${imgui_folder})
    file(ARCHIVE_EXTRACT INPUT ${imgui_zip} DESTINATION ${imgui_folder})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${imgui_zip})
    file(GLOB_RECURSE imgui_core ${imgui_folder}/imgui.cpp)
    list(LENGTH imgui_core found)
    if(NOT found EQUAL 1)
        message(FATAL_ERROR "${imgui_zip} holds ${found} copies of imgui.cpp, not one")
    endif()
    get_filename_component(imgui_sources ${imgui_core} DIRECTORY)
    set(imgui_files imgui.cpp imgui_draw.cpp imgui_widgets.cpp)
    if(EXISTS ${imgui_sources}/imgui_tables.cpp)
        list(APPEND imgui_files imgui_tables.cpp)
    endif()
    list(TRANSFORM imgui_files PREPEND ${imgui_sources}/)
    add_library(imgui_dep STATIC ${imgui_files})
    target_include_directories(imgui_dep SYSTEM PUBLIC ${imgui_sources})
    target_compile_options(imgui_dep PRIVATE ${HIDDEN_VISIBILITY}
                                             $<IF:$<CXX_COMPILER_ID:MSVC>,/W0,-w>)
else()
    add_library(imgui_dep INTERFACE)
endif()
