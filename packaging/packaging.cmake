# Installation and packages: the programs, a gzipped man page each, the
# README, the Debian copyright file and changelog, and the example
# configurations, and the library with its headers as a CMake package.
# cmake --install, and cpack -G DEB or -G TGZ in the build folder, all
# install the same files.
include(GNUInstallDirs)

# Set to the real maintainer when building a package to distribute.
set(MVWEAVE_PACKAGE_MAINTAINER "mvweave maintainers <maintainers@mvweave.example>"
    CACHE STRING "Maintainer of the Debian package: name <address>")

# Compressed as Debian wants them: gzip -9, without name or time stamp.
find_program(GZIP_PROGRAM gzip)
set(compressed_dir ${CMAKE_BINARY_DIR}/packaging)
set(man_pages ${PROJECT_SOURCE_DIR}/man/mvweave.1 ${PROJECT_SOURCE_DIR}/man/mvunweave.1)
set(changelog ${PROJECT_SOURCE_DIR}/packaging/changelog)
if(GZIP_PROGRAM)
  set(compressed_files)
  foreach(file IN LISTS man_pages changelog)
    get_filename_component(name ${file} NAME)
    add_custom_command(OUTPUT ${compressed_dir}/${name}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${compressed_dir}
      COMMAND ${GZIP_PROGRAM} -9 -n -c ${file} > ${compressed_dir}/${name}.gz
      DEPENDS ${file} VERBATIM)
    list(APPEND compressed_files ${compressed_dir}/${name}.gz)
  endforeach()
  add_custom_target(compressed_docs ALL DEPENDS ${compressed_files})
  # The demo builds only what it runs; cmake --install right after it needs
  # these files too.
  add_dependencies(demo compressed_docs)
  set(man_pages ${compressed_dir}/mvweave.1.gz ${compressed_dir}/mvunweave.1.gz)
  set(changelog ${compressed_dir}/changelog.gz)
endif()

install(TARGETS mvweave mvunweave RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The library for other programs: headers, the static library and a CMake
# package, so that find_package(mvweave CONFIG) gives mvweave::core.
include(CMakePackageConfigHelpers)
set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/mvweave)
install(TARGETS mvweave_core EXPORT mvweaveTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY include/mvweave DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT mvweaveTargets NAMESPACE mvweave:: DESTINATION ${package_dir})
configure_package_config_file(cmake/mvweaveConfig.cmake.in
  ${CMAKE_BINARY_DIR}/mvweaveConfig.cmake INSTALL_DESTINATION ${package_dir})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/mvweaveConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/mvweaveConfig.cmake ${CMAKE_BINARY_DIR}/mvweaveConfigVersion.cmake
        DESTINATION ${package_dir})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES README.md packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The documents the README links to, at the same place beside it.
install(DIRECTORY docs DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME changelog.Debian.gz)
install(FILES examples/layout.cfg examples/cameras.cfg examples/split_paths.cfg
              examples/merge.cfg examples/split.cfg examples/merge_from_frame.cfg
              examples/merge_10bit_422.cfg examples/merge_y4m_live.cfg examples/split_y4m.cfg
              examples/side_by_side.cfg examples/split_side_by_side.cfg
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(PROGRAMS examples/verify_with_ffmpeg.sh DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(FILES examples/library/CMakeLists.txt examples/library/merge_cameras.cpp
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples/library)

set(CPACK_PACKAGE_NAME mvweave)
set(CPACK_PACKAGE_VENDOR "the mvweave authors")
set(CPACK_PACKAGE_CONTACT "${MVWEAVE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR TGZ)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 2)  # see packaging/changelog
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Python module is for the Python it was built for, and numpy makes its
# frames.
if(MVWEAVE_PYTHON_VERSION)
  string(REPLACE "." ";" python_version ${MVWEAVE_PYTHON_VERSION})
  list(GET python_version 0 python_major)
  list(GET python_version 1 python_minor)
  math(EXPR python_next "${python_minor} + 1")
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "python3 (>= ${MVWEAVE_PYTHON_VERSION}~), python3 (<< ${python_major}.${python_next})")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS python3-numpy)
endif()
# The extended description; CPack puts the summary above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A multiview recording holds one raw YUV or Y4M file per camera; multiview
video encoders want all cameras in one file, their frames interleaved in a
fixed order of GOP blocks, and hand their pictures back in that form.
mvweave interleaves the camera files into one sequence, mvunweave takes
such a sequence apart again. Both are driven by key=value configuration
files, handle 8- to 16-bit 4:0:0, 4:2:0, 4:2:2 and 4:4:4 pictures, pipes
and files of any size, and never empty a file before every check of a run
has passed.")
include(CPack)
