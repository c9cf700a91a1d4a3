target_sources(duvra_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/status.cc
  ${CMAKE_CURRENT_LIST_DIR}/text_file.cc
  ${CMAKE_CURRENT_LIST_DIR}/ascii.cc
  ${CMAKE_CURRENT_LIST_DIR}/whole_number.cc
)
