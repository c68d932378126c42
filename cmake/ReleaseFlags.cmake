# The flags of an optimised build, the kind that is released and packed (Release,
# RelWithDebInfo, MinSizeRel): no build folder in what it makes, and Debian's hardening on the
# Linux desktop. The sanitizer and fuzz builds keep their own instrumentation, and a Debug
# build (the coverage build's too) its plain -O0, which fortified calls would warn about.
if(NOT CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$" OR SOMBRIAL_SANITIZE
   OR SOMBRIAL_FUZZ)
  return()
endif()

# The folders recorded as ".": the same sources give the same bytes wherever they are built.
# The build folder's map comes last, as the compilers apply the last one that matches.
add_compile_options($<$<COMPILE_LANGUAGE:C,CXX,ASM>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.>
                    $<$<COMPILE_LANGUAGE:C,CXX,ASM>:-ffile-prefix-map=${PROJECT_BINARY_DIR}=.>)

# What Debian builds every package with: position-independent programs, the stack protector,
# the C library's checked calls, relocations read-only and bound at start-up, and control-flow
# protection where the compiler has it; SOMBRIAL_HARDENED says so to the package's check.
# Windows' linker marks its programs for ASLR and DEP by itself; the browser runs no native code.
if(NOT SOMBRIAL_PLATFORM STREQUAL linux)
  return()
endif()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
include(CheckPIESupported)
check_pie_supported()

# Each only where the distribution has not chosen it: in its CFLAGS, CXXFLAGS and LDFLAGS, or
# in its compiler's own defaults (Ubuntu's defines _FORTIFY_SOURCE=3 and protects the stack
# by itself). A second _FORTIFY_SOURCE of another level is a warning, and ours would lower
# Fedora's and Arch's 3 to 2; a later -fstack-protector-strong would undo a -fno-stack-protector.
include(CheckCXXCompilerFlag)
check_cxx_compiler_flag(-fcf-protection SOMBRIAL_HAS_CF_PROTECTION)
function(sombrial_harden language)
  string(TOUPPER "${CMAKE_BUILD_TYPE}" config)
  set(flags "${CMAKE_${language}_FLAGS} ${CMAKE_${language}_FLAGS_${config}}")
  separate_arguments(arguments UNIX_COMMAND "${flags}")
  string(REPLACE CXX c++ x ${language})
  string(TOLOWER ${x} x)
  execute_process(COMMAND ${CMAKE_${language}_COMPILER} ${arguments} -dM -E -x ${x} /dev/null
    OUTPUT_VARIABLE predefined RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${CMAKE_${language}_COMPILER} does not take the flags: ${flags}")
  endif()
  set(chosen "${flags}\n${predefined}")
  set(is $<COMPILE_LANGUAGE:${language}>)
  if(NOT chosen MATCHES "_FORTIFY_SOURCE")
    add_compile_definitions($<${is}:_FORTIFY_SOURCE=2>)
  endif()
  if(NOT chosen MATCHES "stack-protector|__SSP")
    add_compile_options($<${is}:-fstack-protector-strong>)
  endif()
  if(SOMBRIAL_HAS_CF_PROTECTION AND NOT chosen MATCHES "cf-protection|__CET__")
    add_compile_options($<${is}:-fcf-protection>)
  endif()
endfunction()
sombrial_harden(C)
sombrial_harden(CXX)
if(NOT CMAKE_EXE_LINKER_FLAGS MATCHES "relro")
  add_link_options(-Wl,-z,relro)
endif()
if(NOT CMAKE_EXE_LINKER_FLAGS MATCHES "z[, ](now|lazy)")
  add_link_options(-Wl,-z,now)
endif()
set(SOMBRIAL_HARDENED ON)
