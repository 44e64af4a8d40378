#pragma once

#include "app/Help.h"

#include <QString>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

class QWidget;
class QWindow;

namespace quelvane::app {

enum class MessageKind { Information, Error };

// Everything the form asks of the world outside itself. The program uses standardServices();
// the tests put in functions of their own, so that no modal dialog waits for a user, no engine
// runs and no native window is needed.
struct FormServices {
    // OpenDialogXML. `previous` is the file chosen last, offered again. Nothing when cancelled.
    std::function<std::optional<QString>(QWidget* parent, const QString& previous)> chooseXmlFile;
    // A modal message box captioned with the application title; `details` may be empty.
    std::function<void(QWidget* parent, MessageKind kind, const QString& text, const QString& details)> showMessage;
    // The runs. Each returns the engine's summary for the details of "Proceso finalizado" and
    // throws quelvane::MissingInput or quelvane::Error as the engine does.
    std::function<QString(const QString& document, const std::filesystem::path& workingFolder)> runIntake;
    std::function<QString(const QString& document, const std::filesystem::path& workingFolder)> runDelivery;
    std::function<bool(std::uint32_t handle)> hostWindowExists;
    std::function<std::unique_ptr<QWindow>(QWidget& window, std::uint32_t handle)> embedInHost;
    std::function<std::optional<QString>(const QString& file, help::HelpRequest request)> showHelp;
};

FormServices standardServices();

// A path as the engine takes it, without losing names that are not valid UTF-8 on disk.
std::filesystem::path toPath(const QString& path);

} // namespace quelvane::app
