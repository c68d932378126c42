# Link-time seams of SDL and the C library. sombrial_wrap(TARGET PRIVATE|INTERFACE FUNCTION...)
# re-links the calls to each FUNCTION in TARGET's link to __wrap_FUNCTION (the linkers' --wrap),
# and checks, as the build is set up, the way such a seam fails without a word: a wrapper
# (__wrap_NAME) among the target's own sources that its link does not wrap. The game's own
# functions are never wrapped: the core tells its front ends what they need (shown/shown.h).
function(sombrial_wrap target scope)
  set(functions ${ARGN})
  list(TRANSFORM functions PREPEND "-Wl,--wrap=" OUTPUT_VARIABLE options)
  target_link_options(${target} ${scope} ${options})

  get_target_property(sources ${target} SOURCES)
  get_target_property(folder ${target} SOURCE_DIR)
  foreach(source ${sources})
    get_filename_component(source ${source} ABSOLUTE BASE_DIR ${folder})
    if(source MATCHES "\\.(c|cpp)$")
      file(STRINGS ${source} wrappers REGEX "__wrap_[A-Za-z0-9_]+\\(")
      foreach(line ${wrappers})
        string(REGEX MATCH "__wrap_([A-Za-z0-9_]+)\\(" wrapper "${line}")
        if(NOT CMAKE_MATCH_1 IN_LIST functions)
          message(FATAL_ERROR "${source} defines __wrap_${CMAKE_MATCH_1}, but the link of "
                              "${target} does not wrap ${CMAKE_MATCH_1}")
        endif()
      endforeach()
    endif()
  endforeach()
endfunction()
