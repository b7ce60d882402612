# Makes the Windows installer, tockmere-<version>-windows-x64.msi, from the
# .wxs that cmake/install-windows.cmake configures, with wixl and msibuild
# (Debian's msitools) and cmake/msi-summary.py. The build's `msi` target runs
# it; so can a test, for another version of the same program:
#
#   cmake -DSETTINGS=build-windows/msi/settings.cmake [-DVERSION=1.0] [-DOUTPUT=x.msi] \
#         -P cmake/make-msi.cmake
#
# SETTINGS (written at configure time) names the program, its icon, the files
# beside it, the .wxs and the UpgradeCode. VERSION and OUTPUT default to the
# project's.
#
# The same inputs give the same bytes: the program is stripped as CPack strips
# it (the zip's and the installer's programs are the same file), every file put in carries the time of SOURCE_DATE_EPOCH (else of the last
# commit), wixl and msibuild run with their clock stopped at that time, and the
# two codes Windows Installer wants unique are derived rather than random: the
# ProductCode from the UpgradeCode and the version (each version its own, the
# same for every build of it), the PackageCode from everything the package
# holds.
cmake_minimum_required(VERSION 3.25)

if(NOT SETTINGS)
  message(FATAL_ERROR "make-msi: -DSETTINGS=<build>/msi/settings.cmake is required")
endif()
include(${SETTINGS})
if(NOT VERSION)
  set(VERSION ${TOCKMERE_VERSION})
endif()
if(NOT OUTPUT)
  set(OUTPUT ${TOCKMERE_MSI_DIR}/tockmere-${VERSION}-windows-x64.msi)
endif()
if(NOT VERSION MATCHES "^[0-9]+\\.[0-9]+(\\.[0-9]+)?$")
  message(FATAL_ERROR "make-msi: '${VERSION}' is not a Windows Installer version (major.minor[.build])")
endif()

foreach(tool wixl msibuild faketime python3)
  string(TOUPPER ${tool} var)
  find_program(TOCKMERE_${var} ${tool})
  if(NOT TOCKMERE_${var})
    message(FATAL_ERROR "make-msi: ${tool} is missing (sh scripts/setup.sh msi installs it)")
  endif()
endforeach()

# The time everything in the package is dated with.
if(DEFINED ENV{SOURCE_DATE_EPOCH} AND NOT "$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
  set(epoch $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git -C ${TOCKMERE_SOURCE_DIR} log -1 --format=%ct
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE status ERROR_QUIET)
  if(NOT status EQUAL 0 OR epoch STREQUAL "")
    string(TIMESTAMP epoch "%s" UTC)
    message(STATUS "make-msi: neither SOURCE_DATE_EPOCH nor a git commit; dating the package now")
  endif()
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  message(FATAL_ERROR "make-msi: SOURCE_DATE_EPOCH '${epoch}' is not a number of seconds")
endif()
execute_process(COMMAND date -u -d @${epoch} "+%Y-%m-%d %H:%M:%S"
                OUTPUT_VARIABLE stamp OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)

# What goes in: the stripped program and the two text files of the zip.
set(stage ${OUTPUT}.files)
file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${stage})
# strip writes the time into the program's header: the epoch's, as for the zip.
execute_process(COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${epoch}
                        ${TOCKMERE_STRIP} -o ${stage}/tockmere.exe ${TOCKMERE_EXE}
                COMMAND_ERROR_IS_FATAL ANY)
foreach(file IN LISTS TOCKMERE_MSI_FILES)
  get_filename_component(name ${file} NAME)
  file(COPY_FILE ${file} ${stage}/${name} ONLY_IF_DIFFERENT)
endforeach()
file(COPY_FILE ${TOCKMERE_MSI_ICON} ${stage}/tockmere.ico ONLY_IF_DIFFERENT)
file(GLOB staged LIST_DIRECTORIES false ${stage}/*)
list(SORT staged)
execute_process(COMMAND touch -h -d @${epoch} ${staged} COMMAND_ERROR_IS_FATAL ANY)

string(UUID product_code NAMESPACE ${TOCKMERE_MSI_UPGRADE_CODE} NAME "ProductCode ${VERSION}"
       TYPE SHA1 UPPER)
set(contents "${VERSION} ${TOCKMERE_MSI_TITLE}")
foreach(file IN LISTS staged TOCKMERE_MSI_WXS)
  file(SHA256 ${file} sum)
  string(APPEND contents " ${sum}")
endforeach()
string(UUID package_code NAMESPACE ${TOCKMERE_MSI_UPGRADE_CODE} NAME "PackageCode ${contents}"
       TYPE SHA1 UPPER)

# wixl and msibuild keep their strings in the code page of the locale unless
# told; the names are Chinese, so that is 936 (GBK), which the database is
# then marked with (_ForceCodepage). Their clocks stand still at the epoch.
set(run ${CMAKE_COMMAND} -E env TZ=UTC WINDOWS_LANGUAGE=zh_CN
        ${TOCKMERE_FAKETIME} -f "${stamp}")
set(unfinished ${OUTPUT}.part)
file(REMOVE ${unfinished})
execute_process(COMMAND ${run} ${TOCKMERE_WIXL} --arch x64
                  -D Version=${VERSION} -D ProductCode=${product_code}
                  -D SourceDir=. -D Icon=tockmere.ico
                  -o ${unfinished} ${TOCKMERE_MSI_WXS}
                WORKING_DIRECTORY ${stage}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "make-msi: wixl failed (${status})")
endif()

# What wixl cannot say in the .wxs, said in the database itself:
#  - the Run value's component is installed only when AUTOSTART=1 is given, or
#    when the version being replaced had it and AUTOSTART is not given;
#  - those two properties pass from the command line to the installation;
#  - the PackageCode (wixl draws one at random).
file(WRITE ${OUTPUT}.codepage.idt "\r\n\r\n936\t_ForceCodepage\r\n")
set(autostart_condition [[AUTOSTART = "1" OR (PREVIOUS_AUTOSTART AND NOT AUTOSTART)]])
execute_process(COMMAND ${run} ${TOCKMERE_MSIBUILD} ${unfinished}
                  -i ${OUTPUT}.codepage.idt
                  -q "UPDATE `Component` SET `Condition` = '${autostart_condition}' WHERE `Component` = 'Autostart'"
                  -q "UPDATE `Property` SET `Value` = 'AUTOSTART;PREVIOUS_AUTOSTART;WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED' WHERE `Property` = 'SecureCustomProperties'"
                  -s "${TOCKMERE_MSI_NAME} ${VERSION}" "${TOCKMERE_MSI_MANUFACTURER}" "x64;2052" "{${package_code}}"
                RESULT_VARIABLE status)
file(REMOVE ${OUTPUT}.codepage.idt)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "make-msi: msibuild failed (${status})")
endif()
# The summary's title, and its texts in the code page Windows reads them in.
execute_process(COMMAND ${run} ${TOCKMERE_PYTHON3} ${CMAKE_CURRENT_LIST_DIR}/msi-summary.py
                  ${unfinished} "${TOCKMERE_MSI_TITLE}"
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "make-msi: msi-summary.py failed (${status})")
endif()
file(RENAME ${unfinished} ${OUTPUT})
file(REMOVE_RECURSE ${stage})
message(STATUS "make-msi: ${OUTPUT} (${VERSION}, ProductCode {${product_code}})")
