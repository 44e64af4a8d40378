#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// How the timetabling host starts the window: a mode word and the handle of one of its windows.
namespace quelvane::app {

enum class Panels { Both, IntakeOnly, DeliveryOnly };

struct Handshake {
    bool hostMode = false; // exactly two arguments and a handle that is a number
    std::uint32_t handle = 0;
    Panels panels = Panels::Both;
    // Set when two arguments came but the second is not a hexadecimal number; the window then
    // goes on standalone.
    QString error;
};

// `arguments` without the program's own name. Decides from the text alone; whether the handle
// names a window is for the X server (or Windows) to say.
Handshake readHandshake(const QStringList& arguments);

} // namespace quelvane::app
