target_sources(duvra_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/record_line.cc
  ${CMAKE_CURRENT_LIST_DIR}/file_system.cc
  ${CMAKE_CURRENT_LIST_DIR}/file_writer.cc
  ${CMAKE_CURRENT_LIST_DIR}/text_encoding.cc
  ${CMAKE_CURRENT_LIST_DIR}/db_files.cc
  ${CMAKE_CURRENT_LIST_DIR}/extra_settings.cc
  ${CMAKE_CURRENT_LIST_DIR}/record_list.cc
  ${CMAKE_CURRENT_LIST_DIR}/view_state.cc
  ${CMAKE_CURRENT_LIST_DIR}/record_filter.cc
  ${CMAKE_CURRENT_LIST_DIR}/address_conversion.cc
  ${CMAKE_CURRENT_LIST_DIR}/data_dir.cc
  ${CMAKE_CURRENT_LIST_DIR}/commands.cc
)
