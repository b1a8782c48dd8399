# The template chat database of the runtime data tree, made at build time.
add_executable(kivMakeChatTemplate template/kivMakeChatTemplate.cpp)
target_link_libraries(kivMakeChatTemplate PRIVATE kivModel Qt5::Sql)

set(KIV_CHAT_TEMPLATE ${CMAKE_BINARY_DIR}/data/DB/CHAT_MESSAGE.db)
add_custom_command(OUTPUT ${KIV_CHAT_TEMPLATE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/data/DB
    COMMAND ${CMAKE_COMMAND} -E env ${KIV_SANITIZER_ENV} $<TARGET_FILE:kivMakeChatTemplate>
        ${KIV_CHAT_TEMPLATE}
    DEPENDS kivMakeChatTemplate
    COMMENT "Making the template chat database DB/CHAT_MESSAGE.db")
add_custom_target(kivChatTemplate ALL DEPENDS ${KIV_CHAT_TEMPLATE})
kiv_install_data(DB FILES ${KIV_CHAT_TEMPLATE})
