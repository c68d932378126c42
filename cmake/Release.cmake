# The release: the game's one version (the project's, above), its identity for software
# centres and app stores, and what CHANGELOG.md says of each version. Every build reads it;
# the Linux package writes the changelog and the AppStream releases from it.
#
#   SOMBRIAL_ID              reverse-DNS name: AppStream id, desktop file, icons, web app id
#   SOMBRIAL_RELEASE_DATE    the date of this version, from CHANGELOG.md
#   SOMBRIAL_RELEASES        AppStream <release> elements, newest first
#   SOMBRIAL_DEBIAN_CHANGELOG  the same, as a Debian changelog
set(SOMBRIAL_ID org.example.sombrial)
set(SOMBRIAL_AUTHORS "The Sombrial authors")
set(SOMBRIAL_CONTACT "sombrial@example.org")

# CHANGELOG.md: "## VERSION (YYYY-MM-DD)" sections of "- " items, continued by lines indented
# by two spaces. Semicolons would split CMake's lists, so they travel as a placeholder.
file(READ ${PROJECT_SOURCE_DIR}/CHANGELOG.md changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
string(REPLACE ";" "<semicolon>" changelog "${changelog}")
string(REGEX MATCHALL "[^\n]*\n" lines "${changelog}")

# TEXT with &, < and > written as XML and HTML take them, into VARIABLE.
function(sombrial_markup variable text)
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  set(${variable} "${text}" PARENT_SCOPE)
endfunction()

set(SOMBRIAL_RELEASES "")
set(SOMBRIAL_DEBIAN_CHANGELOG "")
set(version "")
set(item "")
macro(sombrial_end_item)
  if(NOT item STREQUAL "")
    string(REPLACE "<semicolon>" ";" li "${item}")
    sombrial_markup(li "${li}")
    string(APPEND SOMBRIAL_RELEASES "          <li>${li}</li>\n")
    set(item "")
  endif()
endmacro()
macro(sombrial_end_version)
  sombrial_end_item()
  if(NOT version STREQUAL "")
    string(APPEND SOMBRIAL_RELEASES "        </ul>\n      </description>\n    </release>\n")
    execute_process(COMMAND date -u -R -d "${date}" OUTPUT_VARIABLE when
                    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    string(APPEND SOMBRIAL_DEBIAN_CHANGELOG
           "\n -- ${SOMBRIAL_AUTHORS} <${SOMBRIAL_CONTACT}>  ${when}\n\n")
  endif()
endmacro()
foreach(line ${lines})
  string(REGEX REPLACE "\n$" "" line "${line}")
  if(line MATCHES "^## ([0-9.]+) \\(([0-9]+-[0-9]+-[0-9]+)\\)$")
    sombrial_end_version()
    set(version ${CMAKE_MATCH_1})
    set(date ${CMAKE_MATCH_2})
    if(NOT SOMBRIAL_RELEASE_DATE)
      set(SOMBRIAL_RELEASE_DATE ${date})
      if(NOT version STREQUAL PROJECT_VERSION)
        message(FATAL_ERROR "CHANGELOG.md's newest version is ${version}, the project's "
                            "${PROJECT_VERSION}: give the new version its section")
      endif()
    endif()
    string(APPEND SOMBRIAL_RELEASES
           "    <release version=\"${version}\" date=\"${date}\">\n      <description>\n        <ul>\n")
    string(APPEND SOMBRIAL_DEBIAN_CHANGELOG "sombrial (${version}) unstable; urgency=medium\n\n")
  elseif(NOT version STREQUAL "" AND line MATCHES "^- (.*)$")
    sombrial_end_item()
    set(item "${CMAKE_MATCH_1}")
    string(APPEND SOMBRIAL_DEBIAN_CHANGELOG "  * ${CMAKE_MATCH_1}\n")
  elseif(NOT item STREQUAL "" AND line MATCHES "^  (.*)$")
    string(APPEND item " ${CMAKE_MATCH_1}")
    string(APPEND SOMBRIAL_DEBIAN_CHANGELOG "    ${CMAKE_MATCH_1}\n")
  endif()
endforeach()
sombrial_end_version()
string(REPLACE "<semicolon>" ";" SOMBRIAL_DEBIAN_CHANGELOG "${SOMBRIAL_DEBIAN_CHANGELOG}")
string(REGEX REPLACE "\n$" "" SOMBRIAL_RELEASES "${SOMBRIAL_RELEASES}")
if(NOT SOMBRIAL_RELEASE_DATE)
  message(FATAL_ERROR "CHANGELOG.md has no version")
endif()
