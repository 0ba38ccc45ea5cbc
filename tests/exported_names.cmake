# Nothing leaves the plugin module but getPlugin, deleteMe and exports: no C++ names, none of its
# own Dear ImGui or JSON code. Run as a test: cmake -DTOOL=... -DFORMAT=elf|pe -DMODULE=... -P
#   elf: TOOL is nm, which lists "address kind name" per defined dynamic symbol
#   pe:  TOOL is objdump, which lists the export table as "[   0] name" after its heading
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

list(SORT names)
if(NOT names STREQUAL "deleteMe;exports;getPlugin")
    message(FATAL_ERROR "${MODULE} exports [${names}], not exactly getPlugin, deleteMe, exports")
endif()
message(STATUS "${MODULE} exports exactly: ${names}")
