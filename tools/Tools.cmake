# The endgame data file is generated at build time and put beside the engine, where the engine
# looks for it when its working directory has none.
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/Endgame.bin
  COMMAND make_endgame ${CMAKE_BINARY_DIR}/Endgame.bin
  DEPENDS make_endgame
  COMMENT "Generating Endgame.bin"
  VERBATIM)
add_custom_target(endgame_data ALL DEPENDS ${CMAKE_BINARY_DIR}/Endgame.bin)
add_dependencies(quendal endgame_data)

# The Gaviota tables, when installed, serve the endgame tests as an independent oracle. The test
# targets are defined after this file is read, so the link is made once the directory is done.
find_path(GAVIOTA_INCLUDE_DIR gtb-probe.h)
find_library(GAVIOTA_LIBRARY gaviotatb)
find_path(GAVIOTA_TABLE_DIR gtb4/kqk.gtb.cp4 PATHS /usr/share/gaviotatb NO_DEFAULT_PATH)
function(quendal_link_gaviota)
  if(NOT (GAVIOTA_INCLUDE_DIR AND GAVIOTA_LIBRARY AND GAVIOTA_TABLE_DIR))
    message(STATUS "Gaviota tables not found: endgame oracle tests will be skipped")
    return()
  endif()
  foreach(test_target quendal_tests quendal_slow_tests)
    if(TARGET ${test_target})
      target_include_directories(${test_target} PRIVATE ${GAVIOTA_INCLUDE_DIR})
      target_link_libraries(${test_target} PRIVATE ${GAVIOTA_LIBRARY})
      target_compile_definitions(${test_target} PRIVATE
        QUENDAL_GAVIOTA_TABLES="${GAVIOTA_TABLE_DIR}/gtb4")
    endif()
  endforeach()
endfunction()
cmake_language(DEFER CALL quendal_link_gaviota)
