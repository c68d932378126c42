# CPack's settings read as it packs: every time in the package (its archives' members, its
# files') SOURCE_DATE_EPOCH, the last commit's time unless the environment sets one, so that
# the same commit packs the same bytes whenever it is packed.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git -C ${CMAKE_CURRENT_LIST_DIR} log -1 --format=%ct
    OUTPUT_VARIABLE time OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
  if(NOT failed)
    set(ENV{SOURCE_DATE_EPOCH} ${time})
  endif()
endif()
