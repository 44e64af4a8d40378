target_sources(quelvane_common PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/Sha256.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Sha256X86.cpp
)
