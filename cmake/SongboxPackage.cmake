# The portable zip and the installer in build/dist, remade whenever the program
# or a package file changes. `./songbox package` builds them.
find_program(SONGBOX_MAKENSIS makensis REQUIRED)
get_filename_component(SONGBOX_DIST_DIR ${CMAKE_BINARY_DIR}/../dist ABSOLUTE)
set(SONGBOX_DIST_ZIP ${SONGBOX_DIST_DIR}/SongBox-${PROJECT_VERSION}-win64.zip)
set(SONGBOX_DIST_SETUP ${SONGBOX_DIST_DIR}/SongBox-${PROJECT_VERSION}-setup.exe)

set(stage ${CMAKE_BINARY_DIR}/package-stage)
set(readme ${stage}/说明.txt)
file(MAKE_DIRECTORY ${stage}/zip)
configure_file(${CMAKE_SOURCE_DIR}/tools/package/readme-zh.txt ${readme} @ONLY NEWLINE_STYLE CRLF)

# CMake's archiver under a UTF-8 locale stores 说明.txt as UTF-8 with the zip's
# UTF-8 flag, so Windows shows the name right (Info-ZIP's zip sets no flag).
add_custom_command(OUTPUT ${SONGBOX_DIST_ZIP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${SONGBOX_DIST_DIR} ${stage}/zip
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:SongBox> ${readme} ${stage}/zip/
  COMMAND ${CMAKE_COMMAND} -E rm -f ${SONGBOX_DIST_ZIP}
  COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 ${CMAKE_COMMAND} -E tar cf ${SONGBOX_DIST_ZIP} --format=zip SongBox.exe 说明.txt
  WORKING_DIRECTORY ${stage}/zip
  DEPENDS SongBox ${readme}
  COMMENT "Packing ${SONGBOX_DIST_ZIP}")

add_custom_command(OUTPUT ${SONGBOX_DIST_SETUP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${SONGBOX_DIST_DIR}
  COMMAND ${SONGBOX_MAKENSIS} -V2 -INPUTCHARSET UTF8
          -DVERSION=${PROJECT_VERSION} -DDEFAULT_ROOT=${SONGBOX_DEFAULT_ROOT}
          -DEXE=$<TARGET_FILE:SongBox> -DREADME=${readme}
          -DICON=${CMAKE_SOURCE_DIR}/src/app/songbox.ico -DOUTFILE=${SONGBOX_DIST_SETUP}
          ${CMAKE_SOURCE_DIR}/tools/package/songbox.nsi
  DEPENDS SongBox ${readme} ${CMAKE_SOURCE_DIR}/tools/package/songbox.nsi ${CMAKE_SOURCE_DIR}/src/app/songbox.ico
  COMMENT "Building ${SONGBOX_DIST_SETUP}")

add_custom_target(songbox_dist ALL DEPENDS ${SONGBOX_DIST_ZIP} ${SONGBOX_DIST_SETUP})
