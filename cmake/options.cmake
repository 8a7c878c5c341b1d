# Compile options shared by every target of the project.
# Determinism: no contraction of a*b+c into fused multiply-adds, SSE2 float math on
# i686 (never x87), never fast-math. The same frame must come out bit for bit on
# every target.

add_library(brine_options INTERFACE)
target_compile_options(brine_options INTERFACE
  -Wall -Wextra -Werror -ffp-contract=off -fno-fast-math)
if(EMSCRIPTEN)
  # WebAssembly's floats are IEEE single and double without excess precision. The
  # SSE2 code compiles to WebAssembly SIMD, measured faster in the page than the
  # scalar code (README, Performance) and exact like it.
  target_compile_options(brine_options INTERFACE -msimd128 -msse2)
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "i[3-6]86|x86$" OR CMAKE_SIZEOF_VOID_P EQUAL 4)
  target_compile_options(brine_options INTERFACE -msse2 -mfpmath=sse)
endif()
target_include_directories(brine_options INTERFACE ${PROJECT_SOURCE_DIR}/src)

if(BRINE_SANITIZE)
  target_compile_options(brine_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(brine_options INTERFACE -fsanitize=address,undefined)
endif()

if(BRINE_SANITIZE_THREAD)
  target_compile_options(brine_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(brine_options INTERFACE -fsanitize=thread)
endif()

# Fuzzing: coverage for libFuzzer in every library; each target links the fuzzer's
# own main (tests/fuzz). Clang only.
if(BRINE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "BRINE_FUZZ needs clang (cmake --preset fuzz)")
  endif()
  target_compile_options(brine_options INTERFACE -fsanitize=fuzzer-no-link)
endif()

if(WIN32)
  # Static runtime: the .scr must run on a bare system with no extra DLL.
  target_link_options(brine_options INTERFACE -static -static-libgcc -static-libstdc++)
  target_compile_definitions(brine_options INTERFACE UNICODE _UNICODE WINVER=0x0501
    _WIN32_WINNT=0x0501)
endif()

# Collects the sources of one source folder; new files are picked up at the next build.
function(brine_glob out dir)
  file(GLOB _files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
  set(${out} ${_files} PARENT_SCOPE)
endfunction()
