# Where `cmake --install` puts each kind of file, below one prefix:
#
#   bin/kivim                        the launcher, the one program on PATH
#   <libexec>/kivim/kivClient        programs, started by the launcher
#   <libexec>/kivim/media/CallView   media programs, beside the client
#   lib/<arch>/kivim/                the private shared libraries
#   lib/<arch>/kivim/gstreamer-1.0/  the GStreamer plug-ins (the launcher adds them)
#   share/kivim/                     read-only data: skins, pictures, template
#                                    databases, the configuration template
#   share/applications, share/icons  the menu entry and its icons
#
# The libraries are private to the application (no headers, no stable ABI),
# so they live in their own folder and every binary finds them through a
# RUNPATH relative to itself: the tree works under any prefix.
include(GNUInstallDirs)

# Under the multiarch folder where there is one (Debian), whatever the prefix,
# so the package's private folder sits where ldconfig never looks.
if(CMAKE_LIBRARY_ARCHITECTURE)
    set(KIV_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE}/kivim)
else()
    set(KIV_INSTALL_LIBDIR ${CMAKE_INSTALL_LIBDIR}/kivim)
endif()
set(KIV_INSTALL_PLUGINDIR ${KIV_INSTALL_LIBDIR}/gstreamer-1.0)
set(KIV_INSTALL_PROGRAMDIR ${CMAKE_INSTALL_LIBEXECDIR}/kivim)
set(KIV_INSTALL_MEDIADIR ${KIV_INSTALL_PROGRAMDIR}/media)
set(KIV_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/kivim)

# kiv_install(<target> LIBRARY|PLUGIN|PROGRAM|MEDIA)
# Installs a built target in the place its kind belongs, with a RUNPATH that
# reaches the private libraries from there.
function(kiv_install target kind)
    if(kind STREQUAL "LIBRARY")
        set(destination ${KIV_INSTALL_LIBDIR})
    elseif(kind STREQUAL "PLUGIN")
        set(destination ${KIV_INSTALL_PLUGINDIR})
    elseif(kind STREQUAL "PROGRAM")
        set(destination ${KIV_INSTALL_PROGRAMDIR})
    elseif(kind STREQUAL "MEDIA")
        set(destination ${KIV_INSTALL_MEDIADIR})
    else()
        message(FATAL_ERROR "kiv_install(${target} ${kind}): kind must be LIBRARY, PLUGIN, PROGRAM or MEDIA")
    endif()
    file(RELATIVE_PATH libraries /${destination} /${KIV_INSTALL_LIBDIR})
    if(libraries STREQUAL "")
        set(runpath "$ORIGIN")
    else()
        set(runpath "$ORIGIN/${libraries}")
    endif()
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "${runpath}")
    # The install tests build every installed target first.
    set_property(GLOBAL APPEND PROPERTY KIV_INSTALLED_TARGETS ${target})
    install(TARGETS ${target}
        LIBRARY DESTINATION ${destination}
        RUNTIME DESTINATION ${destination})
endfunction()

# kiv_install_data(<folder below the data root> FILES <file>...)
# kiv_install_data(<folder below the data root> DIRECTORY <folder>... [PATTERNS <glob>...])
# Installs read-only data the client reads relative to its data root, e.g.
# kiv_install_data(DB FILES ${CMAKE_BINARY_DIR}/data/DB/location_list.db).
# Generated files are named by their place in the build tree; PATTERNS keeps
# only the files of a folder that match.
function(kiv_install_data folder)
    cmake_parse_arguments(ARG "" "" "FILES;DIRECTORY;PATTERNS" ${ARGN})
    if(folder STREQUAL ".")
        set(destination ${KIV_INSTALL_DATADIR})
    else()
        set(destination ${KIV_INSTALL_DATADIR}/${folder})
    endif()
    if(ARG_FILES)
        install(FILES ${ARG_FILES} DESTINATION ${destination})
    endif()
    if(ARG_DIRECTORY)
        set(matching)
        if(ARG_PATTERNS)
            set(matching FILES_MATCHING)
            foreach(pattern IN LISTS ARG_PATTERNS)
                list(APPEND matching PATTERN ${pattern})
            endforeach()
        endif()
        install(DIRECTORY ${ARG_DIRECTORY} DESTINATION ${destination} ${matching})
    endif()
endfunction()
