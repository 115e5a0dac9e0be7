# The image control: a Qt widget showing a picture of the imaging layer.
add_library(vantora_image_control STATIC ${CMAKE_CURRENT_LIST_DIR}/image_control.cpp)
target_include_directories(vantora_image_control PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(vantora_image_control PUBLIC vantora_imaging Qt6::Widgets vantora_warnings)
