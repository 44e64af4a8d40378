#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// The help file the host's installation puts beside the program.
namespace quelvane::app::help {

inline constexpr QStringView helpFileName = u"EKADE.chm";
// The topic that F1 opens anywhere in the window.
inline constexpr int windowHelpContext = 3;

struct HelpRequest {
    enum Kind { Topic, Contents } kind = Topic;
    int context = windowHelpContext;
};

// Where the help file is: a name without a folder is looked for in `executableFolder`. Nothing
// when the name is not a ".chm" file (letter case ignored).
std::optional<QString> helpFilePath(const QString& name, const QString& executableFolder);

// Opens the help viewer. Nothing when it started; otherwise a sentence for a message box.
// Windows shows the topic or the contents; elsewhere the desktop's handler for the file shows
// the file, as no common viewer takes a context number.
std::optional<QString> showHelp(const QString& file, HelpRequest request);

} // namespace quelvane::app::help
