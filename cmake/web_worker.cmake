# Writes the site's service worker, SITE/sw.js, from web/sw.js.in: the list
# of the site's files to keep, and a cache name made of the game's version
# and a digest of those files, so that every build that changes a file gets
# a cache of its own. Run by the build after the site's files are in place:
#   cmake -DSITE=DIR -DTEMPLATE=FILE -DVERSION=X.Y.Z -P web_worker.cmake
file(GLOB names RELATIVE ${SITE} ${SITE}/*)
list(REMOVE_ITEM names sw.js)
list(SORT names)
set(files "'./'")
set(digests "")
foreach(name ${names})
  if(IS_DIRECTORY ${SITE}/${name})
    continue()
  endif()
  file(SHA256 ${SITE}/${name} digest)
  string(APPEND digests "${name} ${digest}\n")
  string(APPEND files ", './${name}'")
endforeach()
string(SHA256 digest "${digests}")
string(SUBSTRING ${digest} 0 12 digest)
set(DELVER_SITE_VERSION ${VERSION}-${digest})
set(DELVER_SITE_FILES ${files})
# Only a changed worker is written, so the browser sees a new one only
# when the site changed.
configure_file(${TEMPLATE} ${SITE}/sw.js @ONLY)
