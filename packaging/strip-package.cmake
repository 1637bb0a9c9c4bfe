# Run by CPack (CPACK_PRE_BUILD_SCRIPTS) on the staged files: strips the
# programs as Debian's dh_strip does, the .comment section (compiler
# versions) and .note included, so that lintian finds nothing to say and
# the same sources give the same package.
set(stage "${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
if(NOT stage)
  set(stage "${CPACK_TEMPORARY_DIRECTORY}")
endif()
file(GLOB_RECURSE candidates LIST_DIRECTORIES false "${stage}/*")
foreach(file IN LISTS candidates)
  if(IS_SYMLINK "${file}")
    continue()
  endif()
  file(READ "${file}" magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46")
    execute_process(
      COMMAND strip --remove-section=.comment --remove-section=.note --strip-unneeded "${file}"
      RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "strip failed on ${file}")
    endif()
  endif()
endforeach()
