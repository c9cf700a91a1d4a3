target_sources(duvra_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/address.cc
  ${CMAKE_CURRENT_LIST_DIR}/byte_stream.cc
  ${CMAKE_CURRENT_LIST_DIR}/cookie_store.cc
  ${CMAKE_CURRENT_LIST_DIR}/fetch_failure.cc
  ${CMAKE_CURRENT_LIST_DIR}/http_client.cc
  ${CMAKE_CURRENT_LIST_DIR}/request.cc
  ${CMAKE_CURRENT_LIST_DIR}/response_reader.cc
  ${CMAKE_CURRENT_LIST_DIR}/socket_stream.cc
  ${CMAKE_CURRENT_LIST_DIR}/stop_signal.cc
  ${CMAKE_CURRENT_LIST_DIR}/stream_reader.cc
  ${CMAKE_CURRENT_LIST_DIR}/tls_connection.cc
)
find_package(OpenSSL REQUIRED)
target_link_libraries(duvra_core PUBLIC OpenSSL::SSL OpenSSL::Crypto)
