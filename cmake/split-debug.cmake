# The Windows programs' debug information, beside them rather than in them.
#
# Wine reads a PE file whose DWARF sections are not page-aligned into private
# memory whole: a build-tree tockmere.exe would carry megabytes the zip's does
# not. After each link the DWARF goes to NAME.exe.debug next to the program,
# which keeps only a link to it (gdb and objdump follow it), so the tests and
# the screenshots run the program as users get it.
find_program(TOCKMERE_OBJCOPY NAMES ${TOCKMERE_MINGW_TRIPLET}-objcopy objcopy REQUIRED)

# objcopy dates the files it writes with SOURCE_DATE_EPOCH, or with the time
# it runs: it is given 0, as the linker's --no-insert-timestamp gives, so that
# the program's link to its debug file (which carries that file's checksum)
# is the same whenever and however it is built. The packages date the
# program they ship themselves.
function(tockmere_split_debug_info target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
            ${TOCKMERE_OBJCOPY} --only-keep-debug $<TARGET_FILE_NAME:${target}>
            $<TARGET_FILE_NAME:${target}>.debug
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
            ${TOCKMERE_OBJCOPY} --strip-debug
            --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug
            $<TARGET_FILE_NAME:${target}>
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    COMMENT "Keeping the debug information of ${target} beside it"
    VERBATIM)
endfunction()
