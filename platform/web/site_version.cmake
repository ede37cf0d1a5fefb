# Writes a site's service worker into FOLDER from TEMPLATE: the site's FILES (separated by commas)
# and a version made of their names and contents, so that every build that changes a file is a
# new version to the browsers that keep the site, and two builds of the same files are one.
#   cmake -DFOLDER=... -DFILES=a,b -DWEB_PROGRAM=... -DTEMPLATE=... -P site_version.cmake
string(REPLACE "," ";" files "${FILES}")
set(digests "")
set(WEB_FILES "")
foreach(name IN LISTS files)
    file(SHA256 ${FOLDER}/${name} digest)
    string(APPEND digests "${name} ${digest}\n")
    list(APPEND WEB_FILES "'${name}'")
endforeach()
string(SHA256 version "${digests}")
string(SUBSTRING ${version} 0 16 WEB_VERSION)
list(JOIN WEB_FILES ", " WEB_FILES)
configure_file(${TEMPLATE} ${FOLDER}/service-worker.js @ONLY)
