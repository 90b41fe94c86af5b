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
# A build for distributed testing ("make", QUENDAL_EMBED_ENDGAME) carries the data inside the
# engine as well, so that its bench gives the signature wherever the framework puts the binary.
if(QUENDAL_EMBED_ENDGAME)
  target_compile_definitions(quendal_core PRIVATE
    QUENDAL_EMBEDDED_ENDGAME="${CMAKE_BINARY_DIR}/Endgame.bin")
  set_source_files_properties(${CMAKE_SOURCE_DIR}/src/eval/endgame.cpp PROPERTIES
    OBJECT_DEPENDS ${CMAKE_BINARY_DIR}/Endgame.bin)
  add_dependencies(quendal_core endgame_data)
endif()
# "cmake --install build/release --prefix DIR": the engine in DIR/bin, the data in
# DIR/share/quendal, where the engine looks for it from its own folder.
install(TARGETS quendal RUNTIME DESTINATION bin)
install(FILES ${CMAKE_BINARY_DIR}/Endgame.bin DESTINATION share/quendal)

# The Gaviota tables, when installed, serve the endgame tests as an independent oracle. The test
# targets are defined after this file is read, so the link is made once the directory is done.
find_path(GAVIOTA_INCLUDE_DIR gtb-probe.h)
find_library(GAVIOTA_LIBRARY gaviotatb)
find_path(GAVIOTA_TABLE_DIR gtb4/kqk.gtb.cp4 PATHS /usr/share/gaviotatb NO_DEFAULT_PATH)
# The tool that froze the rows of tests/data/endgame-mates.txt from the tables; only where they are.
if(GAVIOTA_INCLUDE_DIR AND GAVIOTA_LIBRARY AND GAVIOTA_TABLE_DIR)
  add_executable(freeze_endgame_rows tools/gaviota/freeze_endgame_rows.cpp)
  target_include_directories(freeze_endgame_rows PRIVATE ${GAVIOTA_INCLUDE_DIR})
  target_link_libraries(freeze_endgame_rows PRIVATE ${GAVIOTA_LIBRARY})
  target_compile_definitions(freeze_endgame_rows PRIVATE
    QUENDAL_GAVIOTA_TABLES="${GAVIOTA_TABLE_DIR}/gtb4")
endif()
function(quendal_link_gaviota)
  if(NOT (GAVIOTA_INCLUDE_DIR AND GAVIOTA_LIBRARY AND GAVIOTA_TABLE_DIR))
    message(STATUS "Gaviota tables not found: endgame oracle tests will be skipped")
    return()
  endif()
  foreach(test_target quendal_tests quendal_slow_tests)
    if(TARGET ${test_target})
      target_include_directories(${test_target} PRIVATE ${GAVIOTA_INCLUDE_DIR} ${CMAKE_SOURCE_DIR}/tools)
      target_link_libraries(${test_target} PRIVATE ${GAVIOTA_LIBRARY})
      target_compile_definitions(${test_target} PRIVATE
        QUENDAL_GAVIOTA_TABLES="${GAVIOTA_TABLE_DIR}/gtb4")
    endif()
  endforeach()
endfunction()
cmake_language(DEFER CALL quendal_link_gaviota)
