target_sources(duvra_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/record_editor.cc
  ${CMAKE_CURRENT_LIST_DIR}/csv.cc
  ${CMAKE_CURRENT_LIST_DIR}/record_import.cc
  ${CMAKE_CURRENT_LIST_DIR}/csv_export.cc
)
