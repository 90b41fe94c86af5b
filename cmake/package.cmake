# The Debian package, laid out as Debian's chess engine packages are. Included from the top
# CMakeLists when QUENDAL_PACKAGE is on (the "package" preset), so that "cmake --install" of the
# other builds stays the engine and its data only.

# The version is the one the engine gives in "id name".
file(STRINGS ${CMAKE_SOURCE_DIR}/src/frontend/dispatch.cpp QUENDAL_ID_LINE REGEX "id name Quendal ")
string(REGEX REPLACE ".*id name Quendal ([0-9.]+).*" "\\1" QUENDAL_VERSION "${QUENDAL_ID_LINE}")

# Compressed as Debian policy asks: best compression, no name or time stamp in the header.
set(QUENDAL_DOCS ${CMAKE_BINARY_DIR}/package)
set(QUENDAL_COMPRESSED)
foreach(pair "docs/quendal.6:quendal.6.gz" "packaging/changelog:changelog.gz")
  string(REPLACE ":" ";" pair "${pair}")
  list(GET pair 0 source)
  list(GET pair 1 target)
  add_custom_command(
    OUTPUT ${QUENDAL_DOCS}/${target}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QUENDAL_DOCS}
    COMMAND gzip -9n -c ${CMAKE_SOURCE_DIR}/${source} > ${QUENDAL_DOCS}/${target}
    DEPENDS ${CMAKE_SOURCE_DIR}/${source}
    VERBATIM)
  list(APPEND QUENDAL_COMPRESSED ${QUENDAL_DOCS}/${target})
endforeach()
add_custom_target(package_documents ALL DEPENDS ${QUENDAL_COMPRESSED})

install(FILES ${QUENDAL_DOCS}/quendal.6.gz DESTINATION share/man/man6)
install(FILES packaging/copyright ${QUENDAL_DOCS}/changelog.gz DESTINATION share/doc/quendal)
install(FILES packaging/quendal.eng DESTINATION share/games/plugins/xboard)
install(FILES packaging/lintian-overrides DESTINATION share/lintian/overrides RENAME quendal)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quendal)
set(CPACK_PACKAGE_VERSION ${QUENDAL_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "Quendal maintainers <maintainers@users.noreply.c-seed-e4a1c820.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "UCI chess engine with endgame data")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quendal is a chess engine: a console program that a chess interface (XBoard,
Arena, Cute Chess, Scid, a tournament manager) starts and talks to in the UCI
protocol on its standard input and output. It has no user interface of its
own.
.
It searches with alpha-beta, null move and futility pruning, check and
recapture extensions, killer moves and a transposition table, over staged
move generation, and decides king and queen, king and rook, and king and
pawn against king from its endgame data.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xboard | scid | polyglot")
include(CPack)
