target_sources(quelvane_common PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/DbfHeader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FieldCodec.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LocateIndex.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Mdx.cpp
    ${CMAKE_CURRENT_LIST_DIR}/NumericKey.cpp
)
