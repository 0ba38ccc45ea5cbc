# What each layer of the product can include: its own folders are found, the others are not.
# The host SDK's folder holds the SDK's headers and nothing of the product.
# Run as: cmake -DCOMPILER=... -DHOST_LAYER=... -DGAME_LAYER=... -DPRODUCT_LAYER=... -DWORK=...
#         -P layers.cmake
# A layer is its folder, and for the product the host SDK's folder besides.
function(try_include layer header expected)
    set(folders ${layer})
    list(TRANSFORM folders PREPEND -I)
    file(WRITE ${WORK}/include_probe.cpp "#include \"${header}\"\n")
    # The preprocessor alone: what a layer can include is all that is asked, and a full parse of
    # each header made this test ten times slower.
    execute_process(COMMAND ${COMPILER} -std=c++20 -E -o ${WORK}/include_probe.i ${folders}
                            ${WORK}/include_probe.cpp
                    RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
    if(expected STREQUAL "found" AND NOT result EQUAL 0)
        message(FATAL_ERROR "${layer} cannot include ${header}:\n${errors}")
    elseif(expected STREQUAL "missing" AND result EQUAL 0)
        message(FATAL_ERROR "${layer} can include ${header}, which is outside the layer")
    endif()
endfunction()

file(MAKE_DIRECTORY ${WORK})
set(PRODUCT_LAYER ${PRODUCT_LAYER} ${HOST_LAYER})
try_include(${GAME_LAYER} game/lookup.hpp found)
try_include(${GAME_LAYER} plugin/shared_console.hpp missing)
try_include(${GAME_LAYER} bakkesmod/wrappers/GameWrapper.h missing)
try_include(${HOST_LAYER} bakkesmod/plugin/bakkesmodplugin.h found)
try_include(${HOST_LAYER} plugin/host_extensions.hpp missing)
try_include("${PRODUCT_LAYER}" plugin/shared_console.hpp found)
try_include("${PRODUCT_LAYER}" sim/game/world.hpp missing)
try_include("${PRODUCT_LAYER}" sim/host/host.hpp missing)
try_include("${PRODUCT_LAYER}" tests/temp_folder.hpp missing)
