# What a Windows build needs besides the sources: the header-only libraries, the compiler's runtime
# beside the programs, and Wine to run the programs of a cross build.

# Debian's header-only packages serve the cross compiler too. It is shown their own folders only: the
# rest of /usr/include is the build machine's C library.
set(QUORVEL_HEADER_ONLY ${PROJECT_BINARY_DIR}/header-only)
file(MAKE_DIRECTORY ${QUORVEL_HEADER_ONLY})
foreach(folder IN ITEMS nlohmann CLI)
  if(NOT EXISTS /usr/include/${folder})
    message(FATAL_ERROR "/usr/include/${folder} is missing: scripts/install-deps.sh installs it")
  endif()
  file(CREATE_LINK /usr/include/${folder} ${QUORVEL_HEADER_ONLY}/${folder} SYMBOLIC)
endforeach()
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
add_library(CLI11::CLI11 INTERFACE IMPORTED)
set_target_properties(nlohmann_json::nlohmann_json CLI11::CLI11 PROPERTIES
  INTERFACE_SYSTEM_INCLUDE_DIRECTORIES ${QUORVEL_HEADER_ONLY}
  INTERFACE_INCLUDE_DIRECTORIES ${QUORVEL_HEADER_ONLY})

# The C++ runtime and the thread library the programs load, copied beside them as Windows finds DLLs.
foreach(dll IN ITEMS libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE dll_path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${dll_path}" OR NOT EXISTS "${dll_path}")
    message(FATAL_ERROR "the compiler's ${dll} is missing")
  endif()
  file(COPY ${dll_path} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  install(FILES ${dll_path} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()

# Every program of the build runs under Wine, in the build's own prefix, made at the first run.
set(QUORVEL_WINE_PREFIX ${PROJECT_BINARY_DIR}/wine-prefix)
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-run --prefix ${QUORVEL_WINE_PREFIX})
set(QUORVEL_SYSTEM_LIBRARIES)
