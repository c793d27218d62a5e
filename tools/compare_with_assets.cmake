# Runs a maker (make_pictures, make_music or make_sounds.sh) into a fresh
# folder and compares each of its FILES byte for byte with the one in
# assets/: the committed assets must be exactly what the tools make today.
file(REMOVE_RECURSE ${OUT_DIR})
file(MAKE_DIRECTORY ${OUT_DIR})
execute_process(COMMAND ${MAKER} ${OUT_DIR} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${MAKER} failed: ${status}")
endif()
foreach(name IN LISTS FILES)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT_DIR}/${name} ${ASSETS_DIR}/${name}
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "${name} differs from assets/${name}: remake the assets")
  endif()
endforeach()
