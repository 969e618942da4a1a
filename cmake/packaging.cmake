# What `cmake --install` puts where:
#   bin/spinview
#   share/man/man1/spinview.1
#   share/spinview/   the example model and shaders (torus.obj, VertexProgram.glsl, FragmentProgram.glsl)
# Nothing else is installed: the tests, benchmarks and tools stay in the build.
include(GNUInstallDirs)

install(TARGETS spinview RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# the manual page carries the project's version
configure_file(docs/spinview.1 ${PROJECT_BINARY_DIR}/spinview.1 @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/spinview.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES data/torus.obj data/VertexProgram.glsl data/FragmentProgram.glsl
        DESTINATION ${CMAKE_INSTALL_DATADIR}/spinview)
