# Runs make_sounds.sh into a fresh folder and compares each voice byte for
# byte with the one in assets/.
file(REMOVE_RECURSE ${OUT_DIR})
execute_process(COMMAND ${MAKE_SOUNDS} ${OUT_DIR} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "make_sounds.sh failed: ${status}")
endif()
foreach(voice IN ITEMS nya.wav damedanya.wav)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
                    ${OUT_DIR}/${voice} ${ASSETS_DIR}/${voice}
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "${voice} differs from assets/${voice}: run the sound_assets target")
  endif()
endforeach()
