#include "CliTestSupport.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>

namespace quelvane::cli::testsupport {

namespace fs = std::filesystem;

std::string quoted(const std::string& argument)
{
    std::string out = "'";
    for (const char c : argument)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

Outcome runCli(const std::string& arguments, const std::string& environment)
{
    const TempFolder streams;
    const fs::path out = streams.path() / "out";
    const fs::path err = streams.path() / "err";
    const std::string command = (environment.empty() ? "" : environment + " ") + quoted(QUELVANE_CLI) + " " + arguments
        + " >" + quoted(out.string()) + " 2>" + quoted(err.string());
    const int status = std::system(command.c_str());
    Outcome outcome;
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.out = quelvane::testsupport::readFile(out);
    outcome.err = quelvane::testsupport::readFile(err);
    return outcome;
}

namespace {

class JsonChecker {
public:
    explicit JsonChecker(std::string_view text)
        : text_(text)
    {
    }

    bool document()
    {
        blanks();
        if (!value())
            return false;
        blanks();
        return at_ == text_.size();
    }

private:
    bool value()
    {
        if (at_ >= text_.size())
            return false;
        switch (text_[at_]) {
        case '{':
            return members('}', true);
        case '[':
            return members(']', false);
        case '"':
            return string();
        case 't':
            return word("true");
        case 'f':
            return word("false");
        case 'n':
            return word("null");
        default:
            return number();
        }
    }

    bool members(char close, bool named)
    {
        ++at_;
        blanks();
        if (peek(close))
            return ++at_, true;
        for (;;) {
            blanks();
            if (named) {
                if (!string())
                    return false;
                blanks();
                if (!peek(':'))
                    return false;
                ++at_;
                blanks();
            }
            if (!value())
                return false;
            blanks();
            if (peek(close))
                return ++at_, true;
            if (!peek(','))
                return false;
            ++at_;
        }
    }

    bool string()
    {
        if (!peek('"'))
            return false;
        for (++at_; at_ < text_.size(); ++at_) {
            const auto c = static_cast<unsigned char>(text_[at_]);
            if (c == '"')
                return ++at_, true;
            if (c < 0x20)
                return false;
            if (c == '\\') {
                if (++at_ >= text_.size())
                    return false;
                const char e = text_[at_];
                if (e == 'u') {
                    for (int i = 0; i < 4; ++i)
                        if (++at_ >= text_.size() || !std::isxdigit(static_cast<unsigned char>(text_[at_])))
                            return false;
                } else if (std::string_view("\"\\/bfnrt").find(e) == std::string_view::npos) {
                    return false;
                }
            }
        }
        return false;
    }

    bool number()
    {
        const std::size_t start = at_;
        if (peek('-'))
            ++at_;
        const std::size_t digits = at_;
        while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_])))
            ++at_;
        if (at_ == digits || (text_[digits] == '0' && at_ - digits > 1))
            return false;
        if (peek('.')) {
            const std::size_t fraction = ++at_;
            while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_])))
                ++at_;
            if (at_ == fraction)
                return false;
        }
        return at_ > start;
    }

    bool word(std::string_view w)
    {
        if (text_.substr(at_, w.size()) != w)
            return false;
        at_ += w.size();
        return true;
    }

    bool peek(char c) const { return at_ < text_.size() && text_[at_] == c; }
    void blanks()
    {
        while (at_ < text_.size() && std::string_view(" \t\r\n").find(text_[at_]) != std::string_view::npos)
            ++at_;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

} // namespace

bool isJson(std::string_view text)
{
    return JsonChecker(text).document();
}

} // namespace quelvane::cli::testsupport
