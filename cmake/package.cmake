# package.cmake - the Debian package, made from the build folder by
#
#   cpack -G DEB        (scripts/package builds and runs it)
#
# The package lays the game out as Debian games are laid out: the programs
# and their levels in /usr/lib/games/gloam-didaruv, links to them in
# /usr/games, a desktop entry, icons, AppStream metadata, manual pages and the
# copyright file. These rules belong to the install component "debian", which
# a plain `cmake --install` leaves out: that one keeps its own layout under
# the prefix (lib/gloam-didaruv with links in bin). The manual pages and the
# AppStream file go to both.
#
# Included at the end of the top-level CMakeLists.txt, once every program
# target exists.

set(GLOAM_PACKAGE_NAME gloam-didaruv)
set(GLOAM_APPSTREAM_ID org.gloamdidaruv.GloamDidaruv)
set(GLOAM_PACKAGE_LIB lib/games/${GLOAM_PACKAGE_NAME})
set(GLOAM_PACKAGING "${CMAKE_SOURCE_DIR}/packaging")
set(GLOAM_STAGE "${CMAKE_BINARY_DIR}/packaging")

# Directories the rules below make implicitly get the usual modes, whatever
# the umask of whoever builds the package.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# ---- Files made at build time: compressed pages and changelog ----------------------------------
# gzip -n leaves out the name and time, so the package comes out the same
# from every build.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(GLOAM_GZIPPED)
foreach(source man/gloam.6 man/gloam-level.6 man/gloam-edit.6 changelog)
    get_filename_component(name "${source}" NAME)
    set(output "${GLOAM_STAGE}/${name}.gz")
    add_custom_command(OUTPUT "${output}"
        COMMAND ${CMAKE_COMMAND} -E make_directory "${GLOAM_STAGE}"
        COMMAND ${GZIP_PROGRAM} -9n -c "${GLOAM_PACKAGING}/${source}" > "${output}"
        DEPENDS "${GLOAM_PACKAGING}/${source}" VERBATIM)
    list(APPEND GLOAM_GZIPPED "${output}")
endforeach()
add_custom_target(package_files ALL DEPENDS ${GLOAM_GZIPPED})

# ---- Both layouts -------------------------------------------------------------------------------
foreach(component Unspecified debian)
    set(only_asked)
    if(component STREQUAL debian)
        set(only_asked EXCLUDE_FROM_ALL)
    endif()
    install(FILES "${GLOAM_STAGE}/gloam.6.gz" "${GLOAM_STAGE}/gloam-level.6.gz"
                  "${GLOAM_STAGE}/gloam-edit.6.gz"
            DESTINATION share/man/man6 COMPONENT ${component} ${only_asked})
    install(FILES "${GLOAM_PACKAGING}/${GLOAM_APPSTREAM_ID}.metainfo.xml"
            DESTINATION share/metainfo COMPONENT ${component} ${only_asked})
endforeach()

# ---- The Debian layout --------------------------------------------------------------------------
set(GLOAM_PROGRAMS gloam gloam-level gloam-edit)
foreach(program ${GLOAM_PROGRAMS})
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${GLOAM_PACKAGE_LIB}
                COMPONENT debian EXCLUDE_FROM_ALL)
        # The links are made here and installed as links; the game follows
        # them back to its own folder to find its levels.
        file(MAKE_DIRECTORY "${GLOAM_STAGE}/games")
        file(CREATE_LINK "../${GLOAM_PACKAGE_LIB}/${program}" "${GLOAM_STAGE}/games/${program}"
             SYMBOLIC)
        install(FILES "${GLOAM_STAGE}/games/${program}" DESTINATION games
                COMPONENT debian EXCLUDE_FROM_ALL)
    endif()
endforeach()
install(DIRECTORY levels/ DESTINATION ${GLOAM_PACKAGE_LIB}/levels
        COMPONENT debian EXCLUDE_FROM_ALL)

# Desktop entries start the programs by their place in /usr/games.
foreach(entry gloam-didaruv gloam-edit)
    set(source "${GLOAM_PACKAGING}/${entry}.desktop")
    if(EXISTS "${source}" AND (entry STREQUAL gloam-didaruv OR TARGET gloam-edit))
        file(READ "${source}" text)
        string(REGEX REPLACE "\n(Exec|TryExec)=(gloam[a-z-]*)" "\n\\1=/usr/games/\\2" text "${text}")
        file(WRITE "${GLOAM_STAGE}/${entry}.desktop" "${text}")
        install(FILES "${GLOAM_STAGE}/${entry}.desktop" DESTINATION share/applications
                COMPONENT debian EXCLUDE_FROM_ALL)
    endif()
endforeach()
foreach(size 64 128)
    install(FILES packaging/icons/${size}x${size}/gloam-didaruv.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps
            COMPONENT debian EXCLUDE_FROM_ALL)
endforeach()
install(FILES "${GLOAM_PACKAGING}/copyright" "${GLOAM_STAGE}/changelog.gz"
        DESTINATION share/doc/${GLOAM_PACKAGE_NAME} COMPONENT debian EXCLUDE_FROM_ALL)

# ---- CPack --------------------------------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${GLOAM_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Gloam Didaruv developers")
set(CPACK_PACKAGE_CONTACT "The Gloam Didaruv developers <games@gloamdidaruv.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Only the Debian layout, as one package.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};debian;/")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://gloamdidaruv.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The first line is the synopsis; CPack indents the rest as Debian wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "platform game: guide a miner through caves, woods and abbeys
Collect every item on a level, then reach the exit before the air runs out.
Baddies and spikes cost a life; falls never hurt. 26 levels, drawn in 320 x
240 pixels and shown in a scaled window or full screen, with keyboard and
joystick controls.

The level editor gloam-edit paints and places, play-tests a level and proves
it winnable. The level tool gloam-level checks level files, plays replays and
searches for winning routes.")
include(CPack)
