#include "ui/shell_wiring.h"

#include "ui/form1.h"
#include "ui/frm_about.h"
#include "ui/frm_setup.h"
#include "ui/help_dialog.h"
#include "ui/help_texts.h"

#include <QAction>
#include <QPushButton>

namespace zorvan {

ShellWiring::ShellWiring(Form1 &form, StationSettings &settings, SettingsBackend &backend,
    std::shared_ptr<PlayerTransport> playerTransport)
    : m_form(form)
    , m_settings(settings)
    , m_backend(backend)
    , m_playerTransport(std::move(playerTransport))
{
    connectHelpButtons();
    connectMenus();
    m_form.addStartUpHook(Form1::StartUpStep::PlayerLookUp, [this] { lookUpPlayer(); });
    m_form.addStartUpHook(Form1::StartUpStep::Splash, [this] { showSplash(); });
}

ShellWiring::~ShellWiring() = default;

void ShellWiring::connectHelpButtons()
{
    constexpr int kCommand1Count = 15;
    for (int index = 0; index < kCommand1Count; ++index) {
        if (QPushButton *button = m_form.helpButton(index))
            connect(button, &QPushButton::clicked, this, [this, index] { showCommand1Help(index, &m_form); });
    }

    const std::pair<QPushButton *, MessageHelp> messageButtons[] = {
        { m_form.messagePage().messagesHelp, MessageHelp::Command3 },
        { m_form.messagePage().clockHelp, MessageHelp::Command13 },
        { m_form.rightColumn().help, MessageHelp::Command15 },
        { m_form.rightColumn().previewHelp, MessageHelp::Command17 },
    };
    for (const auto &[button, which] : messageButtons) {
        if (button)
            connect(button, &QPushButton::clicked, this, [this, which] { showMessageHelp(which, &m_form); });
    }
}

// The dialogs show the busy pointer themselves while they load. The record
// reaches the store before they take the focus: every editor saves at once,
// and the main window saves again as it stops being the active window.
void ShellWiring::connectMenus()
{
    connect(m_form.menus().setup, &QAction::triggered, this, &ShellWiring::openSetup);
    connect(m_form.menus().about, &QAction::triggered, this, &ShellWiring::openAbout);
}

void ShellWiring::openSetup()
{
    // The dialog lives on the main window and may outlast this object.
    Form1 *form = &m_form;
    FrmSetup::open(
        m_settings, m_backend, [form] { form->saveAllSettings(); }, form);
}

void ShellWiring::openAbout()
{
    FrmAbout::showAbout(&m_form);
}

// Runs before the record is loaded, so the player version comes straight
// from the store.
void ShellWiring::lookUpPlayer()
{
    if (m_playerTransport)
        GetWAInfo(m_player, m_playerTransport, StoredWinAmpVersion(m_backend));
    else
        GetWAInfo(m_player, m_backend);
}

// The main window has not been placed yet, so a splash centred over it
// would sit in the corner of the screen; it stands alone, centred on it.
void ShellWiring::showSplash()
{
    FrmAbout::showSplash(nullptr);
}

} // namespace zorvan
