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
add_compile_options(-fstack-protector-strong)
add_compile_definitions(_FORTIFY_SOURCE=2)
add_link_options(-Wl,-z,relro,-z,now)
include(CheckCXXCompilerFlag)
check_cxx_compiler_flag(-fcf-protection SOMBRIAL_HAS_CF_PROTECTION)
if(SOMBRIAL_HAS_CF_PROTECTION)
  add_compile_options(-fcf-protection)
endif()
set(SOMBRIAL_HARDENED ON)
