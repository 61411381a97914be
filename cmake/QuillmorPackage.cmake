# The Debian package, made by CPack from the install rules (`scripts/package`). The build that
# makes it is configured for /usr, so every path baked in at configure time is the installed
# one. Its run-time dependencies are computed by dpkg-shlibdeps over every ELF file it holds,
# the program's private libraries included.
set(quillmor_debian_dir ${PROJECT_SOURCE_DIR}/packaging/debian)

# The top changelog entry names the package's version; its Debian revision is taken from there
# and its upstream part must be the project's (checked when the package is made).
file(STRINGS ${quillmor_debian_dir}/changelog quillmor_changelog_top LIMIT_COUNT 1)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${quillmor_debian_dir}/changelog)
if(NOT quillmor_changelog_top MATCHES "^quillmor \\(([^)]+)-([^)-]+)\\) ")
  message(FATAL_ERROR "packaging/debian/changelog: no version in its first line")
endif()
set(CPACK_QUILLMOR_CHANGELOG_UPSTREAM ${CMAKE_MATCH_1})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CMAKE_MATCH_2})
set(CPACK_QUILLMOR_DEBIAN_DIR ${quillmor_debian_dir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quillmor developers")
set(CPACK_PACKAGE_CONTACT "Quillmor developers <developers@quillmor.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
# Directories a umask of 002 would leave group-writable.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "back up and synchronise folders")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "\
Quillmor keeps a small table of backup profiles. Each profile names a source
folder, a destination folder, a file filter and a few options, and is run on
command or in the background at its own interval, optionally only within a
daily time window.

A profile makes plain copies or one ZIP archive per file, can keep older
copies under numbered or dated names, can remove from the backup the files
deleted at the source, or can synchronise both ways. Copies are written under
a temporary name and renamed only when complete. A size-limited log records
what each run did.

Besides the window there is a command line for scripts and a headless
background mode for a systemd user service.")
# notify-send announces the background mode's errors; xdg-open shows the help.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libnotify-bin, xdg-utils")

set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Libraries the program keeps to itself (the window's code, loaded on demand) live here. The
# path is relative to the staging root, where dpkg-shlibdeps runs, so a binary that links one
# of them resolves it inside the package.
if(IS_ABSOLUTE ${CMAKE_INSTALL_LIBDIR})
  set(quillmor_private_dir ${CMAKE_INSTALL_LIBDIR}/quillmor)
else()
  set(quillmor_private_dir ${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/quillmor)
endif()
string(REGEX REPLACE "^/+" "" quillmor_private_dir ${quillmor_private_dir})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${quillmor_private_dir})

# Debian's own files (copyright, changelog, compressed manual pages) are added to the staging
# tree only, so `cmake --install` stays free of them.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/QuillmorDebianFiles.cmake)

include(CPack)
