# The Windows release: velorwind.exe with the read-me for Windows users
# (packaging/windows/README.txt, in Windows' line ends) and LICENSE in
# velorwind-VERSION-windows-x64.zip, one folder of that name inside. The
# executable is shipped without its debugging symbols.
set(release_name velorwind-${PROJECT_VERSION}-windows-x64)
set(release_stage ${PROJECT_BINARY_DIR}/release)
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/${release_name}.zip
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${release_stage}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${release_stage}/${release_name}
  COMMAND ${CMAKE_STRIP} -o ${release_stage}/${release_name}/velorwind.exe
          $<TARGET_FILE:velorwind>
  COMMAND ${CMAKE_COMMAND} -DINPUT=${PROJECT_SOURCE_DIR}/packaging/windows/README.txt
          -DOUTPUT=${release_stage}/${release_name}/README.txt
          -P ${PROJECT_SOURCE_DIR}/cmake/windows-text.cmake
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/LICENSE ${release_stage}/${release_name}
  COMMAND ${CMAKE_COMMAND} -E chdir ${release_stage}
          ${CMAKE_COMMAND} -E tar cf ${PROJECT_BINARY_DIR}/${release_name}.zip --format=zip
          ${release_name}
  DEPENDS velorwind ${PROJECT_SOURCE_DIR}/packaging/windows/README.txt
          ${PROJECT_SOURCE_DIR}/cmake/windows-text.cmake ${PROJECT_SOURCE_DIR}/LICENSE
  COMMENT "Packing ${release_name}.zip"
  VERBATIM)
add_custom_target(velorwind_zip ALL DEPENDS ${PROJECT_BINARY_DIR}/${release_name}.zip)
