#pragma once

#include "link/transmission_runner.h"

#include <QString>

namespace zorvan {

// Where the operator picks another port. The window has File > Setup; the
// service has no window, so its messages name the settings file and the key
// of section [Ports] that holds the device of the COM number in use.
struct PortChoice {
    QString settingsFile; // empty: the window's File > Setup
    int comNumber = 1;
};

// What the operator is told when a transmission did not go out whole; empty
// for a transmission that was sent. A failure of a device server names it by
// the address in `device` ("tcp://HOST:PORT"), when given.
QString linkFailureMessage(LinkOutcome outcome, const QString &device = {}, const PortChoice &choice = {});

} // namespace zorvan
