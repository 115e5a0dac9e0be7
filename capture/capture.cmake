# The station's capture classes on top of the platform layer.
add_library(vantora_capture STATIC
  camera_watch.cpp
  direct_show_error.cpp
  filter.cpp
  filter_graph.cpp
  frame_copy.cpp
  preview_selection.cpp
  sample_grabber.cpp
  sys_dev_enum.cpp
  video_window.cpp)
target_include_directories(vantora_capture PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(vantora_capture
  PUBLIC vantora_capture_platform Qt6::Widgets
  PRIVATE vantora_warnings)
if(TARGET vantora_imaging)
  target_link_libraries(vantora_capture PUBLIC vantora_imaging)
endif()
