target_sources(quelvane_common PRIVATE
    xml/LibxmlErrors.cpp
    xml/Parser.cpp
    xml/Serializer.cpp
    xml/WritableText.cpp
)
