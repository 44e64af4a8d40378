#include "common/platform/RegionalTime.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <langinfo.h>
#include <locale.h>
#endif

#include <array>

namespace quelvane::platform {

#ifdef _WIN32

namespace {

std::string narrow(const wchar_t* text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    if (size > 1)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    return out;
}

} // namespace

std::string regionalDateTime(std::time_t when)
{
    std::tm local {};
    localtime_s(&local, &when);
    SYSTEMTIME time {};
    time.wYear = static_cast<WORD>(local.tm_year + 1900);
    time.wMonth = static_cast<WORD>(local.tm_mon + 1);
    time.wDay = static_cast<WORD>(local.tm_mday);
    time.wDayOfWeek = static_cast<WORD>(local.tm_wday);
    time.wHour = static_cast<WORD>(local.tm_hour);
    time.wMinute = static_cast<WORD>(local.tm_min);
    time.wSecond = static_cast<WORD>(local.tm_sec);
    wchar_t date[128] = {};
    wchar_t clock[128] = {};
    GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, 128, nullptr);
    GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, nullptr, clock, 128);
    return narrow(date) + " " + narrow(clock);
}

#else

namespace {

// The environment's LC_TIME locale, held only for one call: the process-wide locale is left
// alone, so that nothing else changes its number or text formats behind our back.
class TimeLocale {
public:
    TimeLocale()
        : locale_(newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0)))
    {
        if (locale_ == static_cast<locale_t>(0))
            locale_ = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
    }
    ~TimeLocale()
    {
        if (locale_ != static_cast<locale_t>(0))
            freelocale(locale_);
    }
    TimeLocale(const TimeLocale&) = delete;
    TimeLocale& operator=(const TimeLocale&) = delete;

    std::string format(nl_item item, const std::tm& when) const
    {
        const char* pattern = nl_langinfo_l(item, locale_);
        std::array<char, 256> buffer {};
        const std::size_t length = strftime_l(buffer.data(), buffer.size(), pattern, &when, locale_);
        return std::string(buffer.data(), length);
    }

private:
    locale_t locale_;
};

} // namespace

std::string regionalDateTime(std::time_t when)
{
    std::tm local {};
    localtime_r(&when, &local);
    const TimeLocale locale;
    return locale.format(D_FMT, local) + " " + locale.format(T_FMT, local);
}

#endif

} // namespace quelvane::platform
