# The chat dialog and chat record panel under a long conversation.
add_executable(bench_chat_view ${CMAKE_CURRENT_LIST_DIR}/bench_chat_view.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KivBenchFigures.cpp)
target_link_libraries(bench_chat_view PRIVATE kivView Qt5::Sql SQLite::SQLite3)
target_compile_definitions(bench_chat_view PRIVATE KIV_DATA_DIR="${CMAKE_BINARY_DIR}/data")
add_dependencies(bench_chat_view kivData)

# The unread path under floods, the login with a full friend list, and the
# record panel after another conversation grew.
add_executable(bench_unread ${CMAKE_CURRENT_LIST_DIR}/bench_unread.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KivBenchFigures.cpp)
target_link_libraries(bench_unread PRIVATE kivView Qt5::Sql SQLite::SQLite3)
target_compile_definitions(bench_unread PRIVATE KIV_DATA_DIR="${CMAKE_BINARY_DIR}/data")
add_dependencies(bench_unread kivData)

# The history search at a million messages, and the build of its index.
add_executable(bench_chat_search ${CMAKE_CURRENT_LIST_DIR}/bench_chat_search.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KivBenchFigures.cpp)
target_link_libraries(bench_chat_search PRIVATE kivView Qt5::Sql SQLite::SQLite3)
