# Runs make_music into a fresh folder and compares each piece byte for byte
# with the one in assets/.
file(REMOVE_RECURSE ${OUT_DIR})
execute_process(COMMAND ${MAKE_MUSIC} ${OUT_DIR} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "make_music failed: ${status}")
endif()
foreach(piece IN ITEMS tombora.mid bgm.mid)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
                    ${OUT_DIR}/${piece} ${ASSETS_DIR}/${piece}
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "${piece} differs from assets/${piece}: run the music_assets target")
  endif()
endforeach()
