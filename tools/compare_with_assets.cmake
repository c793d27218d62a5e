# Runs a maker (make_pictures, make_music or make_sounds.sh) into a fresh
# folder and compares each of its FILES byte for byte with the one in
# assets/: the committed assets must be exactly what the tools make today.
# DESCRIBE, when given, is run as `DESCRIBE MADE KEPT` on each file that
# differs and says how (compare_pictures: which pixels).
file(REMOVE_RECURSE ${OUT_DIR})
file(MAKE_DIRECTORY ${OUT_DIR})
execute_process(COMMAND ${MAKER} ${OUT_DIR} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${MAKER} failed: ${status}")
endif()
set(report "")
foreach(name IN LISTS FILES)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT_DIR}/${name} ${ASSETS_DIR}/${name}
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    set(how "")
    if(DESCRIBE)
      execute_process(COMMAND ${DESCRIBE} ${OUT_DIR}/${name} ${ASSETS_DIR}/${name}
                      OUTPUT_VARIABLE how OUTPUT_STRIP_TRAILING_WHITESPACE)
      set(how ": ${how}")
    endif()
    string(APPEND report "\n  ${name} differs from assets/${name}${how}")
  endif()
endforeach()
if(report)
  message(FATAL_ERROR "Made in ${OUT_DIR}, not as committed:${report}\nRemake the assets with the tool (HACKING.md, Assets) once the change is meant.")
endif()
