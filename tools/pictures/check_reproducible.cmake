# Runs make_pictures into a fresh folder and compares every file it writes
# byte for byte with the committed one in assets/.
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
execute_process(COMMAND ${TOOL} ${OUT} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "make_pictures failed: ${status}")
endif()

file(GLOB made RELATIVE ${OUT} ${OUT}/*.png)
list(LENGTH made count)
if(NOT count EQUAL 9)
  message(FATAL_ERROR "expected 9 pictures, make_pictures wrote ${count}")
endif()
foreach(name IN LISTS made)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${name} ${ASSETS}/${name}
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "${name} differs from assets/${name}")
  endif()
endforeach()
message(STATUS "all ${count} pictures match assets/")
