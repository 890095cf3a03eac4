# Runs the artwork generator twice into two folders and fails unless every image and
# the embedding source (after its folder name) are the same bytes.
# cmake -DGENERATOR=... -DWORK_DIR=... -P RunTwice.cmake
file(REMOVE_RECURSE ${WORK_DIR})
foreach(run first second)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
                            ${GENERATOR} --strict ${WORK_DIR}/${run}
                    RESULT_VARIABLE result OUTPUT_QUIET)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "morvex-artwork failed (${result}) on the ${run} run")
    endif()
endforeach()
file(GLOB_RECURSE images RELATIVE ${WORK_DIR}/first ${WORK_DIR}/first/*.png)
list(LENGTH images count)
if(count EQUAL 0)
    message(FATAL_ERROR "no images written")
endif()
foreach(image ${images})
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
                            ${WORK_DIR}/first/${image} ${WORK_DIR}/second/${image}
                    RESULT_VARIABLE different)
    if(different)
        message(FATAL_ERROR "${image} differs between two runs")
    endif()
endforeach()
file(READ ${WORK_DIR}/first/EditorArtwork.cpp first)
file(READ ${WORK_DIR}/second/EditorArtwork.cpp second)
string(REPLACE "${WORK_DIR}/first/" "" first "${first}")
string(REPLACE "${WORK_DIR}/second/" "" second "${second}")
if(NOT first STREQUAL second)
    message(FATAL_ERROR "EditorArtwork.cpp differs between two runs")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
message(STATUS "${count} images, identical in two runs")
