# The browser build's site folder, build-web/site: the page (web/), the
# program (delver.js, delver.wasm), its packed game folder (delver.data),
# the demo's input script (index.html?seed=11&input=demo.txt&autostart),
# the web app manifest with the game's icon at 192 and 512 pixels (painted
# by the art generator) and the service worker that keeps the site for
# playing offline (sw.js, written last from the finished site's files).
# Any static web server can serve the folder as it is.
#
# The game folder is painted by the native art generator (built by
# scripts/build_web.sh and named by DELVER_ARTGEN). The save folder, map/,
# is the browser's IndexedDB at run time, so the default overworld plan is
# packed apart (/pack) and put in place by the page before the game starts.
set(DELVER_ARTGEN "" CACHE FILEPATH "The native delver_artgen that paints the game folder")
if(NOT DELVER_ARTGEN)
  message(FATAL_ERROR "The browser build needs -DDELVER_ARTGEN=<native build>/tools/delver_artgen (scripts/build_web.sh gives it)")
endif()

set(site ${CMAKE_BINARY_DIR}/site)
set(art ${CMAKE_BINARY_DIR}/packed)
set(art_stamp ${CMAKE_BINARY_DIR}/packed.stamp)
add_custom_command(OUTPUT ${art_stamp}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${art}
  COMMAND ${DELVER_ARTGEN} ${art}/game
  COMMAND ${CMAKE_COMMAND} -E make_directory ${art}/pack
  COMMAND ${CMAKE_COMMAND} -E rename ${art}/game/map/1.overworld ${art}/pack/1.overworld
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${art}/game/map
  COMMAND ${CMAKE_COMMAND} -E touch ${art_stamp}
  DEPENDS ${DELVER_ARTGEN}
  COMMENT "Painting the game folder to pack into the site"
  VERBATIM)
add_custom_target(delver_packed_game DEPENDS ${art_stamp})
add_dependencies(delver delver_packed_game)

set_target_properties(delver PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${site})
set_property(TARGET delver APPEND PROPERTY LINK_DEPENDS ${art_stamp})
target_link_options(delver PRIVATE
  -sASYNCIFY -sASYNCIFY_STACK_SIZE=131072
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=134217728
  -sENVIRONMENT=web -sINVOKE_RUN=0 -sEXIT_RUNTIME=0
  -sMIN_WEBGL_VERSION=1 -sMAX_WEBGL_VERSION=1
  -sFORCE_FILESYSTEM=1 -lidbfs.js
  "-sEXPORTED_RUNTIME_METHODS=['callMain','FS','IDBFS','addRunDependency','removeRunDependency']"
  "SHELL:--preload-file ${art}/game@/game"
  "SHELL:--preload-file ${art}/pack@/pack")
# The page's files, copied again whenever one of them changes.
file(GLOB page_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/web/*.html ${PROJECT_SOURCE_DIR}/web/*.js
     ${PROJECT_SOURCE_DIR}/web/*.css ${PROJECT_SOURCE_DIR}/web/*.webmanifest)
set(site_page)
foreach(file ${page_files} ${PROJECT_SOURCE_DIR}/demo/demo.txt)
  get_filename_component(name ${file} NAME)
  add_custom_command(OUTPUT ${site}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy ${file} ${site}/${name}
    DEPENDS ${file}
    VERBATIM)
  list(APPEND site_page ${site}/${name})
endforeach()
foreach(side 192 512)
  add_custom_command(OUTPUT ${site}/icon-${side}.png
    COMMAND ${DELVER_ARTGEN} --icon ${side} ${site}/icon-${side}.png
    DEPENDS ${DELVER_ARTGEN}
    COMMENT "Painting the page's ${side}-pixel icon"
    VERBATIM)
  list(APPEND site_page ${site}/icon-${side}.png)
endforeach()
add_custom_target(delver_site_page ALL DEPENDS ${site_page})
# Always run: it reads the finished site and rewrites sw.js only when a file
# of the site has changed.
add_custom_target(delver_site_worker ALL
  COMMAND ${CMAKE_COMMAND} -DSITE=${site} -DTEMPLATE=${PROJECT_SOURCE_DIR}/web/sw.js.in
          -DVERSION=${PROJECT_VERSION} -P ${PROJECT_SOURCE_DIR}/cmake/web_worker.cmake
  DEPENDS ${PROJECT_SOURCE_DIR}/web/sw.js.in ${PROJECT_SOURCE_DIR}/cmake/web_worker.cmake
  VERBATIM)
add_dependencies(delver_site_worker delver delver_site_page)
