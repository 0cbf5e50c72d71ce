# Copies the pinned script libraries from pages/vendor/node_modules beside
# the pages: bin/vendor/<package>/, each with its licence. The land map is
# wrapped into a script so pages load it like any other script, without a
# fetch() that a custom URI scheme may refuse.
# Called with -DSRC=<pages/vendor/node_modules> -DDST=<bin/vendor>.
if(NOT EXISTS "${SRC}")
  message(STATUS "pages/vendor: node_modules missing, run npm ci there; maps show no base map")
  return()
endif()
set(files
  leaflet/dist/leaflet.js leaflet/dist/leaflet.css leaflet/LICENSE
  uplot/LICENSE
  topojson-client/dist/topojson-client.min.js topojson-client/LICENSE
  world-atlas/LICENSE)
foreach(f IN LISTS files)
  if(EXISTS "${SRC}/${f}")
    get_filename_component(dir "${DST}/${f}" DIRECTORY)
    file(MAKE_DIRECTORY "${dir}")
    file(COPY_FILE "${SRC}/${f}" "${DST}/${f}" ONLY_IF_DIFFERENT)
  endif()
endforeach()
# Page files are addressed in lower case only.
file(MAKE_DIRECTORY "${DST}/uplot/dist")
foreach(f uPlot.iife.min.js uPlot.min.css)
  string(TOLOWER "${f}" lower)
  if(EXISTS "${SRC}/uplot/dist/${f}")
    file(COPY_FILE "${SRC}/uplot/dist/${f}" "${DST}/uplot/dist/${lower}" ONLY_IF_DIFFERENT)
  endif()
endforeach()
set(land_js "${DST}/world-atlas/land-50m.js")
if(EXISTS "${SRC}/world-atlas/land-50m.json" AND NOT EXISTS "${land_js}")
  file(READ "${SRC}/world-atlas/land-50m.json" land)
  file(WRITE "${land_js}" "window.ORV_LAND = ${land};\n")
endif()
