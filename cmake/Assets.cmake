# The embedded images' files, from the one list of them (assets/asset_list.h): what every
# front end's embed.S links in and is rebuilt for.
file(STRINGS ${PROJECT_SOURCE_DIR}/assets/asset_list.h SOMBRIAL_ASSET_LINES REGEX "^ASSET\\(")
set(SOMBRIAL_ASSET_FILES)
foreach(line ${SOMBRIAL_ASSET_LINES})
  string(REGEX MATCH "\"([^\"]+)\"" file "${line}")
  list(APPEND SOMBRIAL_ASSET_FILES ${PROJECT_SOURCE_DIR}/assets/data/${CMAKE_MATCH_1})
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/assets/asset_list.h)

# A front end's own sources in the core: its embed.S, whose assembler finds the files through
# INCLUDE_OPTION and is rerun when any of the FILES changes, and its window icon.
function(sombrial_front_end_sources include_option)
  target_sources(sombrial_core PRIVATE embed.S window_icon.cpp)
  set_source_files_properties(embed.S TARGET_DIRECTORY sombrial_core PROPERTIES
    COMPILE_OPTIONS "${include_option}"
    OBJECT_DEPENDS "${ARGN}")
endfunction()
