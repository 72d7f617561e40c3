# OpenSSL for MinGW-w64, static, from the prefix script/lib/openssl-mingw.sh builds (script/build
# passes it as HOROLUX_OPENSSL_ROOT). Only the NTS client in timesync/ links horolux_openssl: TLS
# 1.3 with an exporter of keying material, which Windows' own TLS lacks under Wine.
set(HOROLUX_OPENSSL_ROOT "" CACHE PATH "Prefix of the static MinGW-w64 OpenSSL (script/bootstrap builds it)")
set(_openssl_lib "")
foreach(dir lib64 lib)
  if(EXISTS "${HOROLUX_OPENSSL_ROOT}/${dir}/libssl.a" AND EXISTS "${HOROLUX_OPENSSL_ROOT}/${dir}/libcrypto.a")
    set(_openssl_lib "${HOROLUX_OPENSSL_ROOT}/${dir}")
    break()
  endif()
endforeach()
if(_openssl_lib STREQUAL "" OR NOT EXISTS "${HOROLUX_OPENSSL_ROOT}/include/openssl/ssl.h")
  message(FATAL_ERROR "No MinGW-w64 OpenSSL at HOROLUX_OPENSSL_ROOT='${HOROLUX_OPENSSL_ROOT}': "
                      "script/bootstrap builds it and script/build passes its prefix")
endif()

add_library(horolux_openssl_crypto STATIC IMPORTED)
set_target_properties(horolux_openssl_crypto PROPERTIES
  IMPORTED_LOCATION "${_openssl_lib}/libcrypto.a"
  INTERFACE_INCLUDE_DIRECTORIES "${HOROLUX_OPENSSL_ROOT}/include"
  # Sockets (BIO), CryptoAPI's random numbers and the event log (advapi32), the window station
  # and message box of its console checks (user32); crypt32 for a caller's certificate stores.
  INTERFACE_LINK_LIBRARIES "ws2_32;crypt32;user32;advapi32")
add_library(horolux_openssl STATIC IMPORTED)
set_target_properties(horolux_openssl PROPERTIES
  IMPORTED_LOCATION "${_openssl_lib}/libssl.a"
  INTERFACE_LINK_LIBRARIES horolux_openssl_crypto)
