# Run by CPack before it packs: sets every staged file's time to SOURCE_DATE_EPOCH, so that the
# package does not depend on when the source was checked out or built.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    return()
endif()
foreach(directory IN LISTS CPACK_TEMPORARY_INSTALL_DIRECTORY)
    execute_process(COMMAND find ${directory} -exec touch --no-dereference --date=@$ENV{SOURCE_DATE_EPOCH} {} +
                    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
