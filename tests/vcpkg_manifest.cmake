# vcpkg.json, as the build for the real host hands it to vcpkg: it parses, it names a baseline
# (a vcpkg commit: Visual Studio's vcpkg refuses a manifest without one), each port it names is
# one whose headers the product includes, and each version it pins is the one this build found.
# Run as: cmake -DMANIFEST=vcpkg.json -DPRODUCT="folders..." -DFOUND="port=version;..." -P ...

# The headers by which the product uses each port the manifest may name.
set(headers_of_fmt "fmt/")
set(headers_of_nlohmann-json "nlohmann/")

file(READ ${MANIFEST} manifest)
string(JSON baseline ERROR_VARIABLE error GET "${manifest}" builtin-baseline)
if(error)
    message(FATAL_ERROR "${MANIFEST}: ${error}")
endif()
if(NOT baseline MATCHES "^[0-9a-f]+$")
    message(FATAL_ERROR "${MANIFEST}: builtin-baseline \"${baseline}\" is not a commit")
endif()
string(LENGTH "${baseline}" length)
if(NOT length EQUAL 40)
    message(FATAL_ERROR "${MANIFEST}: builtin-baseline \"${baseline}\" has ${length} digits, not 40")
endif()

set(product_sources "")
foreach(folder IN LISTS PRODUCT)
    file(GLOB_RECURSE found ${folder}/*.cpp ${folder}/*.hpp)
    list(APPEND product_sources ${found})
endforeach()
set(included "")
foreach(source IN LISTS product_sources)
    file(STRINGS ${source} lines REGEX "^#[ \t]*include[ \t]*[<\"]")
    list(APPEND included ${lines})
endforeach()

string(JSON count LENGTH "${manifest}" dependencies)
math(EXPR last "${count} - 1")
foreach(index RANGE ${last})
    string(JSON port ERROR_VARIABLE not_text GET "${manifest}" dependencies ${index} name)
    if(not_text)
        string(JSON port GET "${manifest}" dependencies ${index})
    endif()
    if(NOT DEFINED "headers_of_${port}")
        message(FATAL_ERROR "${MANIFEST} names the port ${port}, which the product does not use")
    endif()
    string(REGEX MATCH "#[ \t]*include[ \t]*[<\"]${headers_of_${port}}" uses "${included}")
    if(NOT uses)
        message(FATAL_ERROR "${MANIFEST} names the port ${port}, but the product includes none "
                            "of its headers (${headers_of_${port}}...)")
    endif()
endforeach()

# A pinned version must be the one the tests here build with, or the build for the real host
# compiles against a library nothing has tested.
string(JSON overrides ERROR_VARIABLE none GET "${manifest}" overrides)
if(none)
    return()
endif()
string(JSON count LENGTH "${overrides}")
math(EXPR last "${count} - 1")
foreach(index RANGE ${last})
    string(JSON port GET "${overrides}" ${index} name)
    string(JSON pinned GET "${overrides}" ${index} version)
    set(found "")
    foreach(entry IN LISTS FOUND)
        if(entry MATCHES "^${port}=(.*)$")
            set(found ${CMAKE_MATCH_1})
        endif()
    endforeach()
    if(NOT found STREQUAL pinned)
        message(FATAL_ERROR "${MANIFEST} pins ${port} ${pinned}, but this build found "
                            "\"${found}\"")
    endif()
endforeach()
