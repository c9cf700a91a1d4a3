target_sources(duvra_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/script_settings.cc
  ${CMAKE_CURRENT_LIST_DIR}/script_text.cc
  ${CMAKE_CURRENT_LIST_DIR}/create_scripts.cc
  ${CMAKE_CURRENT_LIST_DIR}/create_dialog.cc
  ${CMAKE_CURRENT_LIST_DIR}/search_words.cc
  ${CMAKE_CURRENT_LIST_DIR}/search_index.cc
)
