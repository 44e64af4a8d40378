#pragma once

#include <optional>
#include <string>
#include <vector>

struct _xmlError;

// What libxml2 reports while it works on one document, kept for our own error messages instead
// of being printed on the standard error stream.
namespace quelvane::xml {

struct LibxmlError {
    std::string message; // libxml2's own text, without the trailing line break
    int line = 0; // 0 when libxml2 gives no position
    int column = 0;
    bool fatal = false;
};

class ErrorLog {
public:
    void record(const _xmlError& error);

    // The error that explains a failure best: the first fatal one, else the first error. When
    // it carries no position (encoding conversions report none), it takes that of the next
    // error that does, which is where the parser stopped.
    std::optional<LibxmlError> mostTelling() const;

private:
    std::vector<LibxmlError> errors_;
};

// libxml2 raises some errors without a parser context (character conversion, output), and
// those would go to its default handler, which prints on stderr. While an instance lives, such
// errors raised on this thread go to `log`; the previous handler is put back on destruction.
// libxml2 keeps this handler per thread, so other threads are not affected.
class ThreadErrorRedirect {
public:
    explicit ThreadErrorRedirect(ErrorLog& log);
    ~ThreadErrorRedirect();
    ThreadErrorRedirect(const ThreadErrorRedirect&) = delete;
    ThreadErrorRedirect& operator=(const ThreadErrorRedirect&) = delete;

private:
    void* previousContext_;
    void (*previousHandler_)(void*, _xmlError*);
};

// "línea L, columna C: message", or the message alone when there is no position.
std::string describe(const LibxmlError& error);

} // namespace quelvane::xml
