target_sources(duvra_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/link_discovery.cc
  ${CMAKE_CURRENT_LIST_DIR}/page_analysis.cc
  ${CMAKE_CURRENT_LIST_DIR}/crawl_driver.cc
  ${CMAKE_CURRENT_LIST_DIR}/redirects.cc
  ${CMAKE_CURRENT_LIST_DIR}/merge.cc
  ${CMAKE_CURRENT_LIST_DIR}/index_options.cc
  ${CMAKE_CURRENT_LIST_DIR}/page_charset.cc
  ${CMAKE_CURRENT_LIST_DIR}/page_directives.cc
  ${CMAKE_CURRENT_LIST_DIR}/robots_txt.cc
)
