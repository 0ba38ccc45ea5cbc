# Nothing leaves the plugin module but getPlugin, deleteMe and exports, and what the SDK's header
# marks for export of BakkesModPlugin (its members, vtable and type-info, as far as the compiler
# emits them): none of its own code, Dear ImGui, JSON or fmt. Run as a test:
#   cmake -DTOOL=... [-DNM=...] -DFORMAT=elf|pe -DMODULE=... -P
#   elf: TOOL is nm, which lists "address kind name" per defined dynamic symbol
#   pe:  TOOL is objdump, which lists the export table as "[   0] name" after its heading;
#        NM lists the module's symbols
cmake_policy(VERSION 3.25)

if(FORMAT STREQUAL "pe")
    set(arguments -p)
else()
    set(arguments -D --defined-only)
endif()
execute_process(COMMAND ${TOOL} ${arguments} ${MODULE} OUTPUT_VARIABLE listing
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${TOOL} ${arguments} ${MODULE} failed (${status})")
endif()

string(REPLACE "\n" ";" lines "${listing}")
set(names "")
set(in_table FALSE)
foreach(line IN LISTS lines)
    if(FORMAT STREQUAL "pe")
        if(line MATCHES "\\[Ordinal/Name Pointer\\] Table")
            set(in_table TRUE)
        elseif(in_table AND line MATCHES "^[ \t]*\\[ *[0-9]+\\] ([^ \t]+)")
            list(APPEND names ${CMAKE_MATCH_1})
        elseif(in_table)
            break()
        endif()
    elseif(line MATCHES "^[0-9a-fA-F]* *[A-Za-z] ([^ \t]+)")
        list(APPEND names ${CMAKE_MATCH_1})
    endif()
endforeach()

# BakkesMod::Plugin::BakkesModPlugin's constructors, destructors, assignments, onLoad, onUnload;
# its vtable, type-info and type-info name.
set(sdk_class "9BakkesMod6Plugin15BakkesModPlugin")
set(sdk_member "^_ZN${sdk_class}(C[12]E|D[012]Ev|aSE|6onLoadEv$|8onUnloadEv$)")
set(sdk_tables "^_ZT[VIS]N${sdk_class}E$")

list(SORT names)
set(missing deleteMe exports getPlugin)
set(unexpected "")
foreach(name IN LISTS names)
    if(name IN_LIST missing)
        list(REMOVE_ITEM missing ${name})
    elseif(NOT name MATCHES "${sdk_member}" AND NOT name MATCHES "${sdk_tables}")
        list(APPEND unexpected ${name})
    endif()
endforeach()
if(missing OR unexpected)
    message(FATAL_ERROR "${MODULE} exports [${names}]: missing [${missing}], "
                        "not the host's [${unexpected}]")
endif()

# The record lies in writable data, as the SDK's macro makes it. In a DLL, NM (the symbol lister)
# tells read-only data (R) from data (D); a shared object's relocated constants are writable
# until loaded, so nm cannot tell them apart there.
if(FORMAT STREQUAL "pe")
    execute_process(COMMAND ${NM} ${MODULE} OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
    if(NOT status EQUAL 0 OR NOT symbols MATCHES "\n[0-9a-fA-F]+ D exports\n")
        string(REGEX MATCH "[^\n]* exports" listed "${symbols}")
        message(FATAL_ERROR "${MODULE}: the record exports is not in writable data (${listed})")
    endif()
endif()
message(STATUS "${MODULE} exports: ${names}")
