# Builds the Windows installer from packaging/windows/slithergrid.wxs with wixl (msitools):
#   cmake -DVERSION=1.0.0 -DSTAGE=folder -DOUTPUT=file.msi -P cmake/msi.cmake
# STAGE holds the files it installs (Slithergrid.exe, LICENSE.txt), as the zip has them. Two
# builds of the same files and version give the same bytes: wixl writes a random package code
# and the current time into the summary information, so it runs on a clock stopped at
# SOURCE_DATE_EPOCH (faketime) and msibuild then sets a package code derived from what the
# package holds; the cabinet keeps the files' times, which are set to SOURCE_DATE_EPOCH too.
cmake_minimum_required(VERSION 3.16)
foreach(variable VERSION STAGE OUTPUT)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "msi.cmake needs -D${variable}=...")
    endif()
endforeach()
get_filename_component(source ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH}) # as scripts/package sets it
    execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${source}
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endif()
get_filename_component(STAGE ${STAGE} ABSOLUTE)
get_filename_component(OUTPUT ${OUTPUT} ABSOLUTE)

# One for ever: Windows Installer knows every version of Slithergrid by it.
set(upgradeCode 69F72581-420C-4E57-A97B-FDA2E3C48DF3)
# A version's own, so that a newer one is an upgrade and a rebuild is the same package.
string(UUID productCode NAMESPACE ${upgradeCode} NAME "Slithergrid ${VERSION}" TYPE SHA1 UPPER)

# wixl takes its sources by relative paths only: the icon beside the files, in a folder of our
# own, all of them at the time of the last commit.
set(work ${OUTPUT}.files)
file(REMOVE_RECURSE ${work})
file(COPY ${STAGE}/Slithergrid.exe ${STAGE}/LICENSE.txt ${source}/data/slithergrid.ico
     DESTINATION ${work})
file(GLOB files ${work}/*)
execute_process(COMMAND touch --date=@$ENV{SOURCE_DATE_EPOCH} ${files} COMMAND_ERROR_IS_FATAL ANY)

set(contents "${VERSION}")
foreach(file ${files} ${source}/packaging/windows/slithergrid.wxs)
    file(SHA256 ${file} hash)
    string(APPEND contents " ${hash}")
endforeach()
string(UUID packageCode NAMESPACE ${productCode} NAME "${contents}" TYPE SHA1 UPPER)

string(TIMESTAMP clock "%Y-%m-%d %H:%M:%S" UTC) # SOURCE_DATE_EPOCH's time
set(stoppedClock ${CMAKE_COMMAND} -E env TZ=UTC faketime -f ${clock})
file(REMOVE ${OUTPUT})
execute_process(COMMAND ${stoppedClock} wixl -a x64 -o ${OUTPUT} -D Version=${VERSION}
                        -D ProductCode=${productCode} -D UpgradeCode=${upgradeCode} -D Stage=.
                        -D Icon=slithergrid.ico ${source}/packaging/windows/slithergrid.wxs
                WORKING_DIRECTORY ${work} COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${stoppedClock} msibuild ${OUTPUT} -s Slithergrid
                        "The Slithergrid developers" "x64;1033" "{${packageCode}}"
                COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE_RECURSE ${work})
