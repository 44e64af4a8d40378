#include "app/Help.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#ifdef _WIN32
#include <windows.h>
#endif

namespace quelvane::app::help {

namespace {

#ifdef _WIN32
// The HTML Help control is loaded on demand so that the program starts where it is missing.
bool openWithHtmlHelp(const QString& file, HelpRequest request)
{
    using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
    constexpr UINT displayToc = 0x0001; // HH_DISPLAY_TOC
    constexpr UINT helpContext = 0x000F; // HH_HELP_CONTEXT
    // Never freed: the viewer's window lives in this process until the program ends.
    const HMODULE control = LoadLibraryW(L"hhctrl.ocx");
    const auto htmlHelp = control ? reinterpret_cast<HtmlHelpFunction>(GetProcAddress(control, "HtmlHelpW")) : nullptr;
    if (!htmlHelp) {
        return false;
    }
    const std::wstring path = QDir::toNativeSeparators(file).toStdWString();
    const HWND viewer = request.kind == HelpRequest::Contents
        ? htmlHelp(nullptr, path.c_str(), displayToc, 0)
        : htmlHelp(nullptr, path.c_str(), helpContext, static_cast<DWORD_PTR>(request.context));
    return viewer != nullptr;
}
#endif

} // namespace

std::optional<QString> helpFilePath(const QString& name, const QString& executableFolder)
{
    if (!name.endsWith(u".chm", Qt::CaseInsensitive)) {
        return std::nullopt;
    }
    const QFileInfo info(name);
    if (info.isAbsolute() || name.contains(u'/') || name.contains(u'\\')) {
        return QDir::cleanPath(name);
    }
    return QDir(executableFolder).filePath(name);
}

std::optional<QString> showHelp(const QString& file, HelpRequest request)
{
    if (!QFileInfo(file).isFile()) {
        return QStringLiteral("No existe el archivo de ayuda %1.").arg(QDir::toNativeSeparators(file));
    }
#ifdef _WIN32
    if (openWithHtmlHelp(file, request)) {
        return std::nullopt;
    }
#else
    (void)request;
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(file))) {
        return std::nullopt;
    }
#endif
    return QStringLiteral("No se puede mostrar el archivo de ayuda %1: no hay ningún programa que lo abra.")
        .arg(QDir::toNativeSeparators(file));
}

} // namespace quelvane::app::help
