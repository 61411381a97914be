# Run by CPack in its staging tree just before the Debian package is made: adds the files only
# a Debian package carries (copyright, changelog, lintian overrides) and compresses the manual
# pages as Debian does, so that `cmake --install` stays free of them.
set(root ${CPACK_TEMPORARY_DIRECTORY})
set(prefix ${root}${CPACK_PACKAGING_INSTALL_PREFIX})
set(debian ${CPACK_QUILLMOR_DEBIAN_DIR})

if(NOT CPACK_QUILLMOR_CHANGELOG_UPSTREAM STREQUAL CPACK_PACKAGE_VERSION)
  message(FATAL_ERROR "the top entry of packaging/debian/changelog is for "
                      "${CPACK_QUILLMOR_CHANGELOG_UPSTREAM}, the project is at "
                      "${CPACK_PACKAGE_VERSION}: the package needs an entry for its version")
endif()

# file(COPY), unlike file(INSTALL), ignores the DESTDIR that CPack leaves set.
set(readable FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
set(doc ${prefix}/share/doc/${CPACK_PACKAGE_NAME})
file(COPY ${debian}/copyright DESTINATION ${doc} ${readable})
set(overrides ${prefix}/share/lintian/overrides)
file(COPY ${debian}/lintian-overrides DESTINATION ${overrides} ${readable})
file(RENAME ${overrides}/lintian-overrides ${overrides}/${CPACK_PACKAGE_NAME})

# gzip -9n: the best compression and no time stamp, so the same sources give the same package.
function(quillmor_gzip source target)
  execute_process(COMMAND gzip -9n -c ${source} OUTPUT_FILE ${target} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip ${source} failed")
  endif()
  file(CHMOD ${target} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endfunction()

quillmor_gzip(${debian}/changelog ${doc}/changelog.Debian.gz)
file(GLOB_RECURSE pages ${prefix}/share/man/*.[0-9])
foreach(page IN LISTS pages)
  quillmor_gzip(${page} ${page}.gz)
  file(REMOVE ${page})
endforeach()
