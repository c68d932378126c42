# CPack's settings read as it packs: the package's dependencies (below); and every time in the
# package (its archives' members, its files') SOURCE_DATE_EPOCH, the last commit's time unless
# the environment sets one, so that the same commit packs the same bytes whenever it is packed.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git -C ${CMAKE_CURRENT_LIST_DIR} log -1 --format=%ct
    OUTPUT_VARIABLE time OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
  if(NOT failed)
    set(ENV{SOURCE_DATE_EPOCH} ${time})
  endif()
endif()

# The package's dependencies, as dpkg-shlibdeps finds them: the program's libraries are
# Depends; those only the accessibility bridge links are Recommends, since the game plays
# without them (it loads the bridge only where they are installed).
if(CPACK_SOMBRIAL_PROGRAM)
  set(folder ${CPACK_PACKAGE_DIRECTORY}/_shlibdeps)
  file(MAKE_DIRECTORY ${folder}/debian)
  file(WRITE ${folder}/debian/control "")
  execute_process(COMMAND dpkg-shlibdeps -O -e${CPACK_SOMBRIAL_PROGRAM} -dRecommends
                          -e${CPACK_SOMBRIAL_BRIDGE}
    WORKING_DIRECTORY ${folder} OUTPUT_VARIABLE found ERROR_VARIABLE warnings
    COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE ${folder})
  string(REGEX MATCH "shlibs:Depends=([^\n]*)" ignored "${found}")
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CMAKE_MATCH_1}")
  string(REGEX MATCH "shlibs:Recommends=([^\n]*)" ignored "${found}")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "${CMAKE_MATCH_1}")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
endif()
