# One interface target carries the language level, warnings and sanitizers for every target.
add_library(project_options INTERFACE)
add_library(brisane::options ALIAS project_options)
target_compile_features(project_options INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(project_options INTERFACE -Wall -Wextra)
if(BACKUP_SANITIZE)
  target_compile_options(project_options INTERFACE -fsanitize=${BACKUP_SANITIZE} -fno-omit-frame-pointer
                                                   -fno-sanitize-recover=undefined)
  target_link_options(project_options INTERFACE -fsanitize=${BACKUP_SANITIZE})
endif()
if(BACKUP_BUILD_FUZZ AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  # Coverage feedback for libFuzzer from every library a fuzz target links.
  target_compile_options(project_options INTERFACE -fsanitize=fuzzer-no-link)
endif()
