# Makes the four pictures into OUT: renders the preview's frame of the scene with
# RENDER into WORK, then runs TOOL (with SPLASH set, it also draws the start-up
# screen there). With COMPARE set, OUT is a scratch folder and every picture must
# equal the one of the same name in COMPARE.
set(_seed 2)
set(_frame 120)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK} ${OUT})
execute_process(COMMAND ${RENDER} --frames 121 --size 152x112 --seed ${_seed} --every ${_frame}
                        --out ${WORK} --quiet
                RESULT_VARIABLE _rc OUTPUT_QUIET)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "rendering the scene failed (${_rc})")
endif()
set(_splash)
if(SPLASH)
  set(_splash --splash ${SPLASH})
endif()
execute_process(COMMAND ${TOOL} --scene ${WORK}/frame_00${_frame}.png ${_splash} ${OUT}
                RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "make_pictures failed (${_rc})")
endif()
if(COMPARE)
  foreach(_file load_scr.png info_scr.bmp url_scr.bmp preview_scr.bmp)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${_file} ${COMPARE}/${_file}
                    RESULT_VARIABLE _rc)
    if(NOT _rc EQUAL 0)
      message(FATAL_ERROR "resources/${_file} differs from what tools/make_pictures draws now; "
                          "regenerate with: cmake --build --preset release --target pictures")
    endif()
  endforeach()
endif()
