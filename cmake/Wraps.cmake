# Link-time seams. sombrial_wrap(TARGET PRIVATE|INTERFACE FUNCTION...) re-links the calls to
# each FUNCTION in TARGET's link to __wrap_FUNCTION (the linkers' --wrap), and checks, as the
# build is set up, the two ways such a seam fails without a word:
# - a wrapper (__wrap_NAME) among the target's own sources that its link does not wrap;
# - a function of the core called from the very file that defines it: GNU ld wraps only the
#   references of other files, the WebAssembly linker all of them, so one front end would hear
#   the call and another would not.
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

  foreach(source ${SOMBRIAL_CORE_SOURCES})
    file(READ ${source} text)
    string(REGEX REPLACE "//[^\n]*" "" text "${text}")
    foreach(function ${functions})
      # A definition starts a line and opens its body on the next; any other mention with a
      # parenthesis is a call.
      string(REGEX MATCH "\n[A-Za-z][^\n;]*[ *]${function}\\([^;{}]*\\)[ \t]*\n\\{" defined "${text}")
      string(REGEX MATCHALL "[^A-Za-z0-9_]${function}[ \t]*\\(" mentions "${text}")
      list(LENGTH mentions count)
      if(defined AND count GREATER 1)
        message(FATAL_ERROR "${source} calls ${function}, which it defines: ${target} wraps "
                            "${function}, so callers must stay in other files")
      endif()
    endforeach()
  endforeach()
endfunction()
