target_sources(quelvane_common PRIVATE
    xml/LeafElements.cpp
    xml/LibxmlBytes.cpp
    xml/LibxmlErrors.cpp
    xml/Parser.cpp
    xml/Serializer.cpp
    xml/WritableText.cpp
)
