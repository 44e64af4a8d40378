#pragma once

#include "IntakeTestSupport.h"

#include <cstdlib>
#include <optional>
#include <string>

// What the tests of backups and dry runs share: an environment variable set for one test, and a
// backup store of the test's own.
namespace quelvane::intake::testsupport {

class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value)
        : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// QUELVANE_BACKUP_DIR pointing at <folder>/store while the object lives.
class OwnBackupStore {
public:
    OwnBackupStore()
        : variable_("QUELVANE_BACKUP_DIR", (folder_.path() / "store").string())
    {
    }
    std::filesystem::path path() const { return folder_.path() / "store"; }

private:
    TempFolder folder_;
    ScopedVariable variable_;
};

} // namespace quelvane::intake::testsupport
