# The Windows demo, run in the emulator, shows the same screens as the Linux demo: the built-in
# match without and with the plugin, and the plugin's console lines (cloak-demo --json; Windows
# ends its lines with CR LF), with either host: the one that hands the plugin the game's tables
# and the one as its makers publish it (--host public). All get a Linux path as their data folder.
#   cmake -DEMULATOR=a|b|c -DWINDOWS_DEMO=... -DLINUX_DEMO=... -DWORK=... -P same_screens.cmake
if(NOT EXISTS "${LINUX_DEMO}")
    message(FATAL_ERROR "no Linux demo at ${LINUX_DEMO}: build the Linux build first")
endif()
string(REPLACE "|" ";" emulator "${EMULATOR}")
file(REMOVE_RECURSE ${WORK})

execute_process(COMMAND ${emulator} ${WINDOWS_DEMO} --json --data-dir ${WORK}/windows-data
                OUTPUT_VARIABLE windows RESULT_VARIABLE windows_status)
execute_process(COMMAND ${emulator} ${WINDOWS_DEMO} --json --host public
                        --data-dir ${WORK}/windows-public-data
                OUTPUT_VARIABLE windows_public RESULT_VARIABLE windows_public_status)
execute_process(COMMAND ${LINUX_DEMO} --json --data-dir ${WORK}/linux-data
                OUTPUT_VARIABLE linux RESULT_VARIABLE linux_status)
if(NOT windows_status EQUAL 0 OR NOT windows_public_status EQUAL 0 OR NOT linux_status EQUAL 0)
    message(FATAL_ERROR "exit status: Windows ${windows_status}, Windows with the public host "
                        "${windows_public_status}, Linux ${linux_status}")
endif()
if(NOT EXISTS ${WORK}/windows-data/CloakMyIdentity/settings.json)
    message(FATAL_ERROR "the Windows demo wrote no settings file under the Linux path ${WORK}")
endif()

file(WRITE ${WORK}/linux.json "${linux}")
foreach(run windows windows_public)
    string(REPLACE "\r\n" "\n" shown "${${run}}")
    if(NOT shown STREQUAL linux)
        file(WRITE ${WORK}/${run}.json "${shown}")
        message(FATAL_ERROR "the screens differ: diff ${WORK}/linux.json ${WORK}/${run}.json")
    endif()
endforeach()
