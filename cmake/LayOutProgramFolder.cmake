# Lays the shipped data files into the program folder.
# Files the program owns (language files, help pages, sounds) are refreshed on every build;
# term.ini and the shipped programs and ovens are laid only where missing, so a rebuild
# never overwrites what the operator saved.
file(GLOB_RECURSE data_files RELATIVE ${SRC} ${SRC}/*)
foreach(rel IN LISTS data_files)
  set(dst ${DST}/${rel})
  get_filename_component(dst_dir ${dst} DIRECTORY)
  file(MAKE_DIRECTORY ${dst_dir})
  if(rel MATCHES "^(Prog|Oven)/" OR rel STREQUAL "term.ini")
    if(NOT EXISTS ${dst})
      file(COPY_FILE ${SRC}/${rel} ${dst})
    endif()
  else()
    file(COPY_FILE ${SRC}/${rel} ${dst} ONLY_IF_DIFFERENT)
  endif()
endforeach()
