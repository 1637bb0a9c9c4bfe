#pragma once

#include "model/station_settings.h"
#include "player/cls_winamp.h"
#include "settings/settings_backend.h"

#include <QObject>

#include <memory>

namespace zorvan {

class Form1;

// Connects the main window to its secondary windows: the "?" buttons to
// their helps, the menus to Setup and About, and the start-up to the player
// look-up and the splash. Holds the player link for the whole run.
class ShellWiring : public QObject {
    Q_OBJECT

public:
    // Without a transport the player is looked up through this platform's.
    ShellWiring(Form1 &form, StationSettings &settings, SettingsBackend &backend,
        std::shared_ptr<PlayerTransport> playerTransport = {});
    ~ShellWiring() override;

    // The player link once start-up has created it, else nullptr.
    clsWinAMP *player() const { return m_player.get(); }

    void openSetup();
    void openAbout();

private:
    void connectHelpButtons();
    void connectMenus();
    void lookUpPlayer();
    void showSplash();

    Form1 &m_form;
    StationSettings &m_settings;
    SettingsBackend &m_backend;
    std::shared_ptr<PlayerTransport> m_playerTransport;
    std::unique_ptr<clsWinAMP> m_player;
};

} // namespace zorvan
