# Every screen the screenshot tool draws is offered in the metainfo, and every
# picture the metainfo offers is one the tool draws.
#     cmake -DTOOL=<zeltarik_screenshots> -DMETAINFO=<file> -P CheckScreenshots.cmake
execute_process(COMMAND ${TOOL} --list OUTPUT_VARIABLE drawn RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${TOOL} --list failed")
endif()
string(REGEX MATCHALL "[^\n]+" drawn "${drawn}")

file(READ ${METAINFO} metainfo)
string(REGEX MATCHALL "<image[^>]*>[^<]*/([^/<]+)\\.png</image>" images "${metainfo}")
set(offered "")
foreach(image ${images})
    string(REGEX REPLACE ".*/([^/<]+)\\.png</image>" "\\1" name "${image}")
    list(APPEND offered ${name})
endforeach()

if(NOT drawn STREQUAL offered)
    message(FATAL_ERROR "the tool draws \"${drawn}\" but the metainfo offers \"${offered}\"")
endif()
message(STATUS "screenshots: ${drawn}")
