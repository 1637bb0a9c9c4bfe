#include "form1_harness.h"

#include "settings/settings_store.h"

namespace zorvan::test {

Form1Harness::Form1Harness() = default;
Form1Harness::~Form1Harness() = default;

void Form1Harness::store(const QString &key, const QString &value)
{
    backend.write(kSettingsSection, key, value);
}

QString Form1Harness::stored(const QString &key) const
{
    return backend.read(kSettingsSection, key).value_or(QStringLiteral("<absent>"));
}

bool Form1Harness::isStored(const QString &key) const
{
    return backend.read(kSettingsSection, key).has_value();
}

Form1 &Form1Harness::form()
{
    if (!m_form)
        m_form = std::make_unique<Form1>(settings, backend);
    return *m_form;
}

Form1 &Form1Harness::start()
{
    Form1 &window = form();
    window.setTrayAvailability([] { return false; });
    window.startUp();
    return window;
}

} // namespace zorvan::test
