#pragma once

#include "model/station_settings.h"
#include "settings/settings_backend.h"
#include "ui/form1.h"

#include <QString>

#include <memory>

namespace zorvan::test {

// A main window over an in-memory store: tests put stored texts in before
// start-up and read what the window saved.
class Form1Harness {
public:
    Form1Harness();
    ~Form1Harness();

    void store(const QString &key, const QString &value);
    QString stored(const QString &key) const;
    bool isStored(const QString &key) const;

    // Builds the window (without starting it up).
    Form1 &form();
    // Builds the window and runs its start-up.
    Form1 &start();

    template <class Widget> Widget *find(const QString &objectName)
    {
        return form().findChild<Widget *>(objectName);
    }

    MemorySettingsBackend backend;
    StationSettings settings;

private:
    std::unique_ptr<Form1> m_form;
};

} // namespace zorvan::test
