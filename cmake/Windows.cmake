# The Windows build's own steps (cross-built with MinGW-w64, see scripts/windows/):
# the runtime DLLs and Qt plugins beside every program folder, so that each starts
# from the build tree as it does from the installed folder, and the installer.

# The MinGW runtime of the posix-threads compiler, and Qt's libraries and plugins.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                OUTPUT_VARIABLE KORVANEL_LIBSTDCXX OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libgcc_s_seh-1.dll
                OUTPUT_VARIABLE KORVANEL_LIBGCC OUTPUT_STRIP_TRAILING_WHITESPACE)
find_file(KORVANEL_WINPTHREAD libwinpthread-1.dll
          PATHS /usr/${KORVANEL_MINGW_TRIPLE}/lib /usr/${KORVANEL_MINGW_TRIPLE}/bin NO_DEFAULT_PATH)
get_target_property(KORVANEL_QT_CORE_DLL Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(KORVANEL_QT_BIN ${KORVANEL_QT_CORE_DLL} DIRECTORY)
get_filename_component(KORVANEL_QT_PREFIX ${KORVANEL_QT_BIN} DIRECTORY)
set(KORVANEL_RUNTIME_DLLS ${KORVANEL_LIBSTDCXX} ${KORVANEL_LIBGCC} ${KORVANEL_WINPTHREAD}
    ${KORVANEL_QT_BIN}/Qt6Core.dll ${KORVANEL_QT_BIN}/Qt6Gui.dll ${KORVANEL_QT_BIN}/Qt6Widgets.dll)
if(KORVANEL_LIBBURN)
  list(APPEND KORVANEL_RUNTIME_DLLS ${KORVANEL_WINDOWS_LIBBURN}/bin/libburn-4.dll)
endif()
set(KORVANEL_QT_PLUGINS platforms/qwindows.dll styles/qwindowsvistastyle.dll)
set(KORVANEL_RUNTIME_DLLS ${KORVANEL_RUNTIME_DLLS} CACHE INTERNAL "DLLs the programs need beside them")
set(KORVANEL_QT_PLUGIN_DIR ${KORVANEL_QT_PREFIX}/plugins CACHE INTERNAL "Qt's plugins for Windows")
set(KORVANEL_QT_PLUGINS ${KORVANEL_QT_PLUGINS} CACHE INTERNAL "The Qt plugins the programs load")

set(runtime_copies)
set(runtime_folders app cli tests)
if(KORVANEL_BENCH)
  list(APPEND runtime_folders bench)
endif()
foreach(folder ${runtime_folders})
  foreach(dll ${KORVANEL_RUNTIME_DLLS})
    get_filename_component(name ${dll} NAME)
    list(APPEND runtime_copies COMMAND ${CMAKE_COMMAND} -E copy_if_different ${dll} ${PROJECT_BINARY_DIR}/${folder}/${name})
  endforeach()
  foreach(plugin ${KORVANEL_QT_PLUGINS})
    get_filename_component(sub ${plugin} DIRECTORY)
    list(APPEND runtime_copies COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/${folder}/${sub}
         COMMAND ${CMAKE_COMMAND} -E copy_if_different ${KORVANEL_QT_PLUGIN_DIR}/${plugin}
                 ${PROJECT_BINARY_DIR}/${folder}/${plugin})
  endforeach()
endforeach()
# The wizard's tests run headless (the offscreen platform) and link Qt's test library.
foreach(extra bin/Qt6Test.dll plugins/platforms/qoffscreen.dll)
  get_filename_component(sub ${extra} DIRECTORY)
  string(REGEX REPLACE "^(bin|plugins)/?" "" sub "${sub}")
  get_filename_component(name ${extra} NAME)
  list(APPEND runtime_copies COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/tests/${sub}
       COMMAND ${CMAKE_COMMAND} -E copy_if_different ${KORVANEL_QT_PREFIX}/${extra} ${PROJECT_BINARY_DIR}/tests/${sub}/${name})
endforeach()
add_custom_target(windows_runtime ${runtime_copies}
                  COMMENT "The MinGW and Qt DLLs and the Qt plugins beside the programs" VERBATIM)

# The installer (NSIS): korvanel-<version>-setup.exe in the build folder.
find_program(KORVANEL_MAKENSIS makensis)
if(KORVANEL_MAKENSIS)
  configure_file(${PROJECT_SOURCE_DIR}/scripts/windows/korvanel.nsi.in ${PROJECT_BINARY_DIR}/korvanel.nsi @ONLY)
  add_custom_target(windows_installer
                    COMMAND ${KORVANEL_MAKENSIS} -V2 ${PROJECT_BINARY_DIR}/korvanel.nsi
                    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
                    DEPENDS korvanel korvanel-cli windows_runtime korvanel_translations_beside VERBATIM)
endif()
