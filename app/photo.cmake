# The photo road: the portrait, its file name and the JPEG save, added to the station.
target_sources(vantora_station PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/photo_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/photo_geometry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/photo_save.cpp
  ${CMAKE_CURRENT_LIST_DIR}/portrait.cpp)
