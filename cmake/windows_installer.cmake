# The Windows installer, BrinemereSetup-VERSION.exe (resources/win32/installer.nsi,
# Debian's makensis). Made by the 32-bit build, which carries the 64-bit build's
# Brinemere.scr too: build the windows64 preset first (scripts/package does).
#   cmake --build --preset windows --target installer
# The zip takes its 64-bit file from the same step (build the installer first).

set(BRINE_SCR64 ${PROJECT_SOURCE_DIR}/build/windows64/src/Brinemere.scr CACHE FILEPATH
  "Brinemere.scr of the 64-bit build, for the installer and the zip")
find_program(BRINE_MAKENSIS makensis)
find_program(BRINE_STRIP64 x86_64-w64-mingw32-strip)

# Both builds stripped, as the installer and the zip carry them (half the size).
set(BRINE_STRIPPED ${CMAKE_BINARY_DIR}/stripped)
add_custom_command(
  OUTPUT ${BRINE_STRIPPED}/32-bit/Brinemere.scr ${BRINE_STRIPPED}/64-bit/Brinemere.scr
  COMMAND ${CMAKE_COMMAND} -E make_directory ${BRINE_STRIPPED}/32-bit ${BRINE_STRIPPED}/64-bit
  COMMAND ${CMAKE_STRIP} -o ${BRINE_STRIPPED}/32-bit/Brinemere.scr $<TARGET_FILE:Brinemere>
  COMMAND ${BRINE_STRIP64} -o ${BRINE_STRIPPED}/64-bit/Brinemere.scr ${BRINE_SCR64}
  DEPENDS Brinemere ${BRINE_SCR64}
  VERBATIM)

set(_setup ${CMAKE_BINARY_DIR}/packages/BrinemereSetup-${PROJECT_VERSION}.exe)
set(_nsi ${PROJECT_SOURCE_DIR}/resources/win32/installer.nsi)
set(_defines -DVERSION=${PROJECT_VERSION} -DSCR32=${BRINE_STRIPPED}/32-bit/Brinemere.scr
  -DSCR64=${BRINE_STRIPPED}/64-bit/Brinemere.scr
  -DICON=${PROJECT_SOURCE_DIR}/resources/icon_main.ico -DOUTFILE=${_setup})
set(_inputs ${_nsi} ${BRINE_STRIPPED}/32-bit/Brinemere.scr ${BRINE_STRIPPED}/64-bit/Brinemere.scr)
if(EXISTS ${PROJECT_SOURCE_DIR}/LICENSE)
  list(APPEND _defines -DLICENSE=${PROJECT_SOURCE_DIR}/LICENSE)
  list(APPEND _inputs ${PROJECT_SOURCE_DIR}/LICENSE)
endif()
# The picture beside the first and last pages, 164x314: the sea's first frame,
#   brinemere-render --frames 1 --size 164x314 --seed 2024 --out DIR
#   convert DIR/frame_00000.png -crop 164x314+0+0 +repage -type TrueColor \
#     BMP3:resources/win32/installer_side.bmp
# (the renderer widens the view to a multiple of 8 pixels).
set(_side ${PROJECT_SOURCE_DIR}/resources/win32/installer_side.bmp)
list(APPEND _defines -DSIDE_PICTURE=${_side})
list(APPEND _inputs ${_side})
add_custom_command(OUTPUT ${_setup}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packages
  COMMAND ${BRINE_MAKENSIS} -V2 -WX ${_defines} ${_nsi}
  DEPENDS ${_inputs}
  COMMENT "Making BrinemereSetup-${PROJECT_VERSION}.exe"
  VERBATIM)
add_custom_target(installer DEPENDS ${_setup})
