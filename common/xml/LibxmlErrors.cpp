#include "common/xml/LibxmlErrors.h"

#include <libxml/xmlerror.h>
#include <string_view>

namespace quelvane::xml {

namespace {

void recordInLog(void* log, xmlErrorPtr error)
{
    if (error != nullptr)
        static_cast<ErrorLog*>(log)->record(*error);
}

// Length of the well-formed UTF-8 sequence at the start of `text`, 0 when there is none.
std::size_t sequenceLength(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else
        return 0;
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    return length;
}

// libxml2 quotes the document in some messages ("Comment not terminated <!--..."), cut after a
// number of bytes that may fall inside a character, and what it quotes need not be UTF-8 at all.
// Our messages are UTF-8: a line break becomes a blank and a byte that is no character a '?'.
std::string messageText(std::string_view raw)
{
    std::string text;
    while (!raw.empty()) {
        const std::size_t length = sequenceLength(raw);
        if (length == 0)
            text += '?';
        else if (raw.front() == '\n')
            text += ' ';
        else
            text.append(raw.substr(0, length));
        raw.remove_prefix(length == 0 ? 1 : length);
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

} // namespace

void ErrorLog::record(const _xmlError& error)
{
    // Warnings (an undeclared entity in a document with an external DTD, for one) do not stop
    // the load and say nothing the user needs.
    if (error.level < XML_ERR_ERROR)
        return;
    LibxmlError entry;
    // Some messages run over two lines ("... indicate encoding !\nBytes: 0xED ..."); ours are
    // one line.
    if (error.message != nullptr)
        entry.message = messageText(error.message);
    entry.line = error.line;
    entry.column = error.int2;
    entry.fatal = error.level == XML_ERR_FATAL;
    errors_.push_back(std::move(entry));
}

std::optional<LibxmlError> ErrorLog::mostTelling() const
{
    if (errors_.empty())
        return std::nullopt;
    auto chosen = errors_.begin();
    for (auto it = errors_.begin(); it != errors_.end(); ++it) {
        if (it->fatal) {
            chosen = it;
            break;
        }
    }
    LibxmlError result = *chosen;
    if (result.line <= 0) {
        for (auto it = chosen; it != errors_.end(); ++it) {
            if (it->line > 0) {
                result.line = it->line;
                result.column = it->column;
                break;
            }
        }
    }
    return result;
}

ThreadErrorRedirect::ThreadErrorRedirect(ErrorLog& log)
    : previousContext_(xmlStructuredErrorContext)
    , previousHandler_(xmlStructuredError)
{
    xmlSetStructuredErrorFunc(&log, recordInLog);
}

ThreadErrorRedirect::~ThreadErrorRedirect()
{
    xmlSetStructuredErrorFunc(previousContext_, previousHandler_);
}

std::string describe(const LibxmlError& error)
{
    if (error.line <= 0)
        return error.message;
    return "línea " + std::to_string(error.line) + ", columna " + std::to_string(error.column) + ": " + error.message;
}

} // namespace quelvane::xml
