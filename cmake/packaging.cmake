# What `cmake --install` puts where, and the Debian package CPack makes of it:
#   bin/spinview
#   lib/spinview/spinview-importer.so   the general importer, where the program looks for it from
#                                       bin/ (../lib/spinview), when the build has libassimp
#   share/man/man1/spinview.1
#   share/spinview/   the example model and shaders (torus.obj, VertexProgram.glsl, FragmentProgram.glsl)
# Nothing else is installed: the tests, benchmarks and tools stay in the build.
include(GNUInstallDirs)

install(TARGETS spinview RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# lib/spinview, not the multiarch library folder: the program's own module, found from bin/
if(TARGET spinview_importer)
  install(TARGETS spinview_importer LIBRARY DESTINATION lib/spinview)
endif()

# the manual page carries the project's version
configure_file(docs/spinview.1 ${PROJECT_BINARY_DIR}/spinview.1 @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/spinview.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES data/torus.obj data/VertexProgram.glsl data/FragmentProgram.glsl
        DESTINATION ${CMAKE_INSTALL_DATADIR}/spinview)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME spinview)
set(CPACK_PACKAGE_CONTACT "spinview maintainers <maintainers@users.noreply.c-seed-958ef512.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small interactive OpenGL viewer for Wavefront OBJ meshes")
set(CPACK_PACKAGE_DESCRIPTION "spinview draws an OBJ mesh spinning under GLSL shaders, reloads the model\n\
and the shaders when they change, and writes a frame as a PNG file. Its shaders\n\
are built in, so `spinview model.obj` works from any folder.")
set(CPACK_STRIP_FILES ON)
# spinview_VERSION_ARCH.deb, the architecture from dpkg
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# the packages of the libraries the program and its importer module link (freeglut, GLEW, libpng,
# the GL dispatch libraries, the C++ runtime, libassimp), found by dpkg-shlibdeps from the binaries
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
