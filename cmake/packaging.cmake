# What an installed Slithergrid carries beside the program, and how CPack packs it: a Debian
# package of the native program (scripts/package sets the Debian paths and flags, for amd64 and
# arm64), a zip of the Windows one and a zip of the web version's site; and the Windows installer,
# which wixl builds. Everything takes the version from project().
# Debian asks for a maintainer's mail address, and the project has none yet: a domain under
# .invalid (RFC 2606) can belong to nobody, so no mail reaches a stranger.
set(SLITHER_MAINTAINER "The Slithergrid developers <developers@slithergrid.invalid>")
set(generated ${PROJECT_BINARY_DIR}/packaging)

if(WIN32)
    configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${generated}/LICENSE.txt COPYONLY)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/README.txt.in ${generated}/README.txt
                   @ONLY)
    install(FILES ${generated}/LICENSE.txt ${generated}/README.txt DESTINATION .)
    # The installer, Slithergrid-<version>-x64.msi (`--target msi`): the zip's program and licence,
    # stripped as CPack strips them, through cmake/msi.cmake.
    set(stage ${PROJECT_BINARY_DIR}/msi-stage)
    add_custom_target(msi
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
        COMMAND ${CMAKE_COMMAND} --install ${PROJECT_BINARY_DIR} --prefix ${stage} --strip
        COMMAND ${CMAKE_COMMAND} -DVERSION=${PROJECT_VERSION} -DSTAGE=${stage}
                -DOUTPUT=${PROJECT_BINARY_DIR}/Slithergrid-${PROJECT_VERSION}-x64.msi
                -P ${PROJECT_SOURCE_DIR}/cmake/msi.cmake
        DEPENDS Slithergrid VERBATIM)
elseif(EMSCRIPTEN)
    # The site as a static web host serves it (the page, its start, the program, its style, the
    # manifest with its icons, the service worker); nothing else that the build installs.
    set(site index.html start.js slithergrid.js slithergrid.wasm slithergrid.css
             slithergrid.webmanifest slithergrid.svg slithergrid-192.png slithergrid-512.png
             service-worker.js)
    list(TRANSFORM site PREPEND ${PROJECT_BINARY_DIR}/)
    install(FILES ${site} DESTINATION . COMPONENT site)
    set(CPACK_COMPONENTS_ALL site)
    set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
    set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
    set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON) # in a folder, as the Windows zip
else()
    configure_file(${PROJECT_SOURCE_DIR}/data/${SLITHER_APP_ID}.metainfo.xml.in
                   ${generated}/${SLITHER_APP_ID}.metainfo.xml @ONLY)
    configure_file(${PROJECT_SOURCE_DIR}/data/slithergrid.6.in ${generated}/slithergrid.6 @ONLY)
    execute_process(COMMAND date -u -R -d ${SLITHER_RELEASE_DATE}
                    OUTPUT_VARIABLE SLITHER_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
                    COMMAND_ERROR_IS_FATAL ANY)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in ${generated}/changelog @ONLY)
    # Compressed as Debian ships them: at most, and with no name or time stamp inside.
    add_custom_command(OUTPUT ${generated}/slithergrid.6.gz ${generated}/changelog.gz
                       COMMAND gzip -9nkf slithergrid.6 changelog
                       DEPENDS ${generated}/slithergrid.6 ${generated}/changelog
                       WORKING_DIRECTORY ${generated} VERBATIM)
    add_custom_target(slither_manual ALL DEPENDS ${generated}/slithergrid.6.gz)
    install(FILES ${generated}/${SLITHER_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    install(FILES ${generated}/slithergrid.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright ${generated}/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

set(CPACK_PACKAGE_NAME slithergrid)
set(CPACK_PACKAGE_VENDOR "The Slithergrid developers")
set(CPACK_PACKAGE_CONTACT ${SLITHER_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small, exact snake game on a board of 16 by 12 cells")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Slithergrid is a snake game in one window of fixed size. The snake starts as"
    "one cell in the corner of the board and moves one cell at every tick; the"
    "arrow keys steer it. Each piece of food scores a point and makes the snake one"
    "cell longer, and a wall or the snake's own body ends the game."
    "."
    "A Game menu starts a new game and makes the steps faster or slower.")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# Every file in a package carries the time of the last commit (SOURCE_DATE_EPOCH).
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/package_times.cmake)
if(WIN32)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME Slithergrid-${PROJECT_VERSION}-win64)
elseif(EMSCRIPTEN)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME Slithergrid-${PROJECT_VERSION}-web)
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION games)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    if(CMAKE_CROSSCOMPILING)
        # CPack would name the machine's own architecture; a cross build's is its compiler's.
        execute_process(COMMAND dpkg-architecture -t ${CMAKE_LIBRARY_ARCHITECTURE} -qDEB_HOST_ARCH
                        OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE
                        OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    endif()
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()
include(CPack)
