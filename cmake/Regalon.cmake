# Settings every Regalon target shares; applied per target, never directory-wide.
function(regalon_target target)
  target_compile_features(${target} PUBLIC cxx_std_20)
  set_target_properties(${target} PROPERTIES CXX_EXTENSIONS OFF)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(REGALON_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(REGALON_SANITIZE)
    target_compile_options(${target} PUBLIC -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(${target} PUBLIC -fsanitize=address,undefined)
  endif()
endfunction()

# The program loads libsqlite3.so.0 from beside its binary in the build tree; place a link to the
# system library there.
function(regalon_link_sqlite_library folder)
  find_file(SQLITE3_RUNTIME libsqlite3.so.0 PATHS /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE} /usr/lib /lib REQUIRED)
  file(REAL_PATH ${SQLITE3_RUNTIME} sqlite_real)
  file(MAKE_DIRECTORY ${folder})
  file(CREATE_LINK ${sqlite_real} ${folder}/libsqlite3.so.0 SYMBOLIC)
endfunction()

# The private folder of the engine link in an installed tree.
set(REGALON_INSTALL_ENGINEDIR lib/regalon)
# The program's own data: the help document lives here, since a system may leave out share/doc.
set(REGALON_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/regalon)

# The version and the install folders as the binary finds them: relative to its own folder.
function(regalon_write_buildinfo)
  file(RELATIVE_PATH REGALON_ENGINE_FOLDER_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR}
       ${CMAKE_INSTALL_PREFIX}/${REGALON_INSTALL_ENGINEDIR})
  file(RELATIVE_PATH REGALON_HELP_FOLDER_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR}
       ${CMAKE_INSTALL_PREFIX}/${REGALON_INSTALL_DATADIR})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/buildinfo.h.in ${CMAKE_BINARY_DIR}/generated/buildinfo.h @ONLY)
endfunction()

# Installs the engine link: to the soname link that the system's SQLite package keeps current,
# relative where both lie under the install prefix (Debian's rule for links), absolute otherwise.
function(regalon_install_sqlite_link)
  install(CODE "
    set(target \"${SQLITE3_RUNTIME}\")
    set(folder \"\${CMAKE_INSTALL_PREFIX}/${REGALON_INSTALL_ENGINEDIR}\")
    string(FIND \"\${target}\" \"\${CMAKE_INSTALL_PREFIX}/\" at)
    if(at EQUAL 0)
      file(RELATIVE_PATH target \"\${folder}\" \"\${target}\")
    endif()
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${folder}\")
    message(STATUS \"Installing: \$ENV{DESTDIR}\${folder}/libsqlite3.so.0 -> \${target}\")
    file(CREATE_LINK \"\${target}\" \"\$ENV{DESTDIR}\${folder}/libsqlite3.so.0\" SYMBOLIC)
  ")
endfunction()
