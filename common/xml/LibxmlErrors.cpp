#include "common/xml/LibxmlErrors.h"

#include <libxml/xmlerror.h>

namespace quelvane::xml {

namespace {

void recordInLog(void* log, xmlErrorPtr error)
{
    if (error != nullptr)
        static_cast<ErrorLog*>(log)->record(*error);
}

} // namespace

void ErrorLog::record(const _xmlError& error)
{
    // Warnings (an undeclared entity in a document with an external DTD, for one) do not stop
    // the load and say nothing the user needs.
    if (error.level < XML_ERR_ERROR)
        return;
    LibxmlError entry;
    if (error.message != nullptr) {
        // Some messages run over two lines ("... indicate encoding !\nBytes: 0xED ..."); ours
        // are one line.
        for (const char* c = error.message; *c != '\0'; ++c)
            entry.message += *c == '\n' ? ' ' : *c;
        while (!entry.message.empty() && entry.message.back() == ' ')
            entry.message.pop_back();
    }
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
