# The software update's key and files (Windows trees only).
#
# Ticker.exe carries the public key that downloaded programs must be signed with. A publisher
# passes theirs with -DNEWSRAIL_UPDATE_PUBLIC_KEY=FILE (PEM) and signs with scripts/sign-update;
# without one the build makes a development key pair in the build tree, embeds its public half
# and signs the update folder with the private half. No private key ever leaves the build tree.
#
# The build writes <tree>/ion/, the update server's folder that `newsrail_server --ion` serves.

find_program(NEWSRAIL_OPENSSL openssl REQUIRED)
find_program(NEWSRAIL_MSCOMPRESS mscompress REQUIRED)

set(NEWSRAIL_UPDATE_PUBLIC_KEY "" CACHE FILEPATH
    "PEM public key of the publisher whose signatures updates must carry (default: a development key made in the build tree)")

set(NEWSRAIL_UPDATE_KEY_DIR ${CMAKE_BINARY_DIR}/update-key)
file(MAKE_DIRECTORY ${NEWSRAIL_UPDATE_KEY_DIR})

function(newsrail_openssl)
  execute_process(COMMAND ${NEWSRAIL_OPENSSL} ${ARGN} RESULT_VARIABLE failed ERROR_VARIABLE error)
  if(failed)
    message(FATAL_ERROR "openssl ${ARGN}: ${error}")
  endif()
endfunction()

if(NEWSRAIL_UPDATE_PUBLIC_KEY)
  set(public_pem ${NEWSRAIL_UPDATE_PUBLIC_KEY})
  # Only the publisher can sign: the update folder is left for them to sign.
  set(NEWSRAIL_UPDATE_SIGNING_KEY "")
else()
  set(NEWSRAIL_UPDATE_SIGNING_KEY ${NEWSRAIL_UPDATE_KEY_DIR}/development-private.pem)
  set(public_pem ${NEWSRAIL_UPDATE_KEY_DIR}/development-public.pem)
  if(NOT EXISTS ${NEWSRAIL_UPDATE_SIGNING_KEY})
    newsrail_openssl(genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:3072
                     -out ${NEWSRAIL_UPDATE_SIGNING_KEY})
    file(CHMOD ${NEWSRAIL_UPDATE_SIGNING_KEY} PERMISSIONS OWNER_READ OWNER_WRITE)
  endif()
  newsrail_openssl(pkey -in ${NEWSRAIL_UPDATE_SIGNING_KEY} -pubout -out ${public_pem})
endif()
set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${public_pem})

# The public key as DER bytes for signature_win.cpp; rewritten only when it changes.
newsrail_openssl(pkey -pubin -in ${public_pem} -outform DER -out ${NEWSRAIL_UPDATE_KEY_DIR}/public.der)
file(READ ${NEWSRAIL_UPDATE_KEY_DIR}/public.der key_hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," key_bytes "${key_hex}")
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/update/publisher_key.inc
     CONTENT "${key_bytes}\n" @ONLY)
set(NEWSRAIL_UPDATE_KEY_INCLUDE ${CMAKE_BINARY_DIR}/generated/update)
set(NEWSRAIL_UPDATE_SIGNING_KEY ${NEWSRAIL_UPDATE_SIGNING_KEY} CACHE INTERNAL "")

# The update folder is made once every target is known: the installer and the desk band library
# are defined elsewhere, possibly after this file is read.
function(newsrail_add_update_files)
  set(ion ${CMAKE_BINARY_DIR}/ion)
  set(note ${CMAKE_SOURCE_DIR}/src/update/release_note.txt)
  set(arguments --out ${ion} --program $<TARGET_FILE:Ticker> --note ${note})
  set(depends Ticker ${note} ${CMAKE_SOURCE_DIR}/scripts/make-update-files
              ${CMAKE_SOURCE_DIR}/scripts/sign-update)
  if(NEWSRAIL_UPDATE_SIGNING_KEY)
    list(APPEND arguments --key ${NEWSRAIL_UPDATE_SIGNING_KEY})
  endif()
  if(NOT NEWSRAIL_RELEASE)
    list(APPEND arguments --development)
  endif()
  if(TARGET newsrail_vinstall)
    list(APPEND arguments --file ${CMAKE_BINARY_DIR}/bin/vinstall.exe)
    list(APPEND depends newsrail_vinstall ${CMAKE_BINARY_DIR}/bin/vinstall.exe)
  endif()
  if(TARGET vexlodb)
    list(APPEND arguments --file ${CMAKE_BINARY_DIR}/bin/vexlodb.dll)
    list(APPEND depends vexlodb ${CMAKE_BINARY_DIR}/bin/vexlodb.dll)
  endif()
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/ion.made
                     COMMAND ${CMAKE_SOURCE_DIR}/scripts/make-update-files ${arguments}
                     COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/ion.made
                     DEPENDS ${depends}
                     COMMENT "Writing the update folder ${ion}")
  add_custom_target(newsrail_update_files ALL DEPENDS ${CMAKE_BINARY_DIR}/ion.made)
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL newsrail_add_update_files)
