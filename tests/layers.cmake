# What each layer of the product can include: its own folders are found, the others are not.
# Run as: cmake -DCOMPILER=... -DGAME_LAYER=... -DPRODUCT_LAYER=... -DWORK=... -P layers.cmake
function(try_include layer header expected)
    file(WRITE ${WORK}/include_probe.cpp "#include \"${header}\"\n")
    execute_process(COMMAND ${COMPILER} -std=c++20 -fsyntax-only -I${layer}
                            ${WORK}/include_probe.cpp
                    RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
    if(expected STREQUAL "found" AND NOT result EQUAL 0)
        message(FATAL_ERROR "${layer} cannot include ${header}:\n${errors}")
    elseif(expected STREQUAL "missing" AND result EQUAL 0)
        message(FATAL_ERROR "${layer} can include ${header}, which is outside the layer")
    endif()
endfunction()

file(MAKE_DIRECTORY ${WORK})
try_include(${GAME_LAYER} game/lookup.hpp found)
try_include(${GAME_LAYER} plugin/shared_console.hpp missing)
try_include(${GAME_LAYER} plugin/host/wrappers.hpp missing)
try_include(${PRODUCT_LAYER} plugin/shared_console.hpp found)
try_include(${PRODUCT_LAYER} sim/game/world.hpp missing)
try_include(${PRODUCT_LAYER} sim/host/host.hpp missing)
try_include(${PRODUCT_LAYER} tests/temp_folder.hpp missing)
