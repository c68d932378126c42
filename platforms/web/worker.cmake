# Writes the site's worker.js from platforms/web/worker.js: the list of the site's files and a
# version made from their contents, so that any changed file gives a new version.
#   cmake -DSITE=DIR -DTEMPLATE=FILE -DFILES="a;b;..." -P worker.cmake
set(list "'./'")
set(hashes "")
foreach(name ${FILES})
  file(SHA256 ${SITE}/${name} hash)
  string(APPEND hashes "${name} ${hash}\n")
  string(APPEND list ", '${name}'")
endforeach()
string(SHA256 version "${hashes}")
string(SUBSTRING ${version} 0 16 SITE_VERSION)
set(SITE_FILES ${list})
configure_file(${TEMPLATE} ${SITE}/worker.js @ONLY)
