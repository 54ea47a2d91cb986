# vesk_add_benchmark(NAME SOURCES files... [LINK targets...] DRIVER script [STANDIN])
# A benchmark is a program built with everything else and a Python driver that runs it under Wine
# against a reference tool, only when asked: cmake --build <dir> --target run_NAME. The driver gets
# the program, the Wine prefix, this folder's build folder for scratch files and the bare reference
# programs; with STANDIN also Box's API description, for the Box stand-in it starts.
function(vesk_add_benchmark name)
  cmake_parse_arguments(ARG "STANDIN" "DRIVER" "SOURCES;LINK" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LINK})
  target_link_options(${name} PRIVATE -municode)

  set(arguments --bench $<TARGET_FILE:${name}> --wine-run ${PROJECT_SOURCE_DIR}/scripts/wine-run
      --prefix ${CMAKE_BINARY_DIR}/wineprefix --work ${CMAKE_CURRENT_BINARY_DIR}
      --bare-get $<TARGET_FILE:bare_wininet_get> --bare-sha1 $<TARGET_FILE:bare_cryptoapi_sha1>)
  if(ARG_STANDIN)
    list(APPEND arguments --openapi ${BOX_OPENAPI})
  endif()
  add_custom_target(run_${name}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_DRIVER} ${arguments}
    DEPENDS ${name} bare_wininet_get bare_cryptoapi_sha1
    USES_TERMINAL)
endfunction()
