# The settings file: the registry of the current user in a registry-export
# file. No Qt here, so the lower layers can use it.
add_library(vantora_settings STATIC
  ${CMAKE_CURRENT_LIST_DIR}/atomic_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/registry_document.cpp
  ${CMAKE_CURRENT_LIST_DIR}/registry_parse.cpp
  ${CMAKE_CURRENT_LIST_DIR}/registry_store.cpp
  ${CMAKE_CURRENT_LIST_DIR}/registry_write.cpp
  ${CMAKE_CURRENT_LIST_DIR}/utf16.cpp)
target_include_directories(vantora_settings PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(vantora_settings PRIVATE vantora_warnings)

# Message boxes, the error guard, the start-up guard, choosers and cursor.
add_library(vantora_framework STATIC
  ${CMAKE_CURRENT_LIST_DIR}/application.cpp
  ${CMAKE_CURRENT_LIST_DIR}/before_first_input.cpp
  ${CMAKE_CURRENT_LIST_DIR}/choosers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/error_guard.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gui_wait.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hourglass.cpp
  ${CMAKE_CURRENT_LIST_DIR}/messages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/modal_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/picture_preview.cpp
  ${CMAKE_CURRENT_LIST_DIR}/prompter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_prompter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/startup_guard.cpp
  ${CMAKE_CURRENT_LIST_DIR}/string_grid.cpp)
target_include_directories(vantora_framework PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(vantora_framework PUBLIC Qt6::Widgets PRIVATE vantora_warnings)

# For tests of every layer: scripted answers to boxes and choosers.
add_library(vantora_framework_testing STATIC ${CMAKE_CURRENT_LIST_DIR}/scripted_prompter.cpp)
target_link_libraries(vantora_framework_testing PUBLIC vantora_framework PRIVATE vantora_warnings)
