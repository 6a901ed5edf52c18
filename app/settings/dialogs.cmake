# The settings dialogs (Designer forms): preferences with their pages and the
# image resizing settings. Included by app/CMakeLists.txt once the engine is
# there; the settings they edit belong to the engine.
find_package(Qt6 REQUIRED COMPONENTS Widgets)
add_library(vidmora_settings_dialogs STATIC
  settings/general_conf_dlg.cpp
  settings/general_conf_dlg.ui
  settings/img_resizing_setting_dlg.cpp
  settings/img_resizing_setting_dlg.ui
  settings/preference_dlg.cpp
  settings/preference_dlg.ui
  settings/video_audio_setting_dlg.cpp
  settings/video_audio_setting_dlg.ui)
set_target_properties(vidmora_settings_dialogs PROPERTIES AUTOMOC ON AUTOUIC ON)
target_link_libraries(vidmora_settings_dialogs PUBLIC vidmora_engine vidmora_language Qt6::Widgets)
