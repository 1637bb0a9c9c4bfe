#pragma once

#include "player/player_transport.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace zorvan {

class SettingsBackend;

inline const QString kWinAmpVersionKey = QStringLiteral("WinAmpVersion");
inline const QString kDefaultWinAmpVersion = QStringLiteral("Studio");

// The only two texts of WinAmpVersion that lead to a look-up, and the window
// class each one searches.
inline const QString kWinampV1Setting = QStringLiteral("Winamp v1.x");
inline const QString kWinampV1Class = QStringLiteral("Winamp v1.x");
inline const QString kStudioSetting = QStringLiteral("studio");
inline const QString kStudioClass = QStringLiteral("STUDIO");

// The player's close command; the window is looked up again right after it.
inline constexpr qint32 kCloseCommand = 0x9C41;
inline constexpr int kCaptionBufferSize = 2048;
inline constexpr int kEqBandCount = 10;

// The link to the media player: finds the player's window by class and
// queries or commands the player through its window messages.
//
// Every player operation is skipped while no window is known, and then
// returns its empty result (0, false, empty text).
//
// A player answer that does not fit the type it is read into (seconds
// outside 16-bit signed, an equaliser answer outside the player's 0..63)
// is reported as an absent value (std::nullopt; false for GetEQStat), never
// as an exception and never as a made-up number. The object is unchanged
// by such an answer.
class clsWinAMP {
public:
    // Read at every look-up, so that it can come straight from the settings
    // store before the record has been loaded.
    using VersionSource = std::function<QString()>;

    // Creation runs the window look-up once.
    clsWinAMP(std::shared_ptr<PlayerTransport> transport, VersionSource winAmpVersion);
    clsWinAMP(std::shared_ptr<PlayerTransport> transport, const QString &winAmpVersion);

    clsWinAMP(const clsWinAMP &) = delete;
    clsWinAMP &operator=(const clsWinAMP &) = delete;

    bool GotWnd() const { return m_gotWindow; }
    WindowHandle GetWinAMPWnd();

    void SendCommand(qint32 commandId);
    qint32 SendUserCommand(qint32 requestId);
    qint32 GetPlayTrackInfo(qint32 mode);
    QString GetPlaybackState();
    // Mode 0: play position in milliseconds; mode 1: track length in seconds.
    qint32 GetPlaybackPos(qint32 mode);
    void SeekTo(qint32 positionMs);
    void SetPlaylistTrack(qint16 index);
    void SetVolume(quint8 volume);
    void SetPanning(quint8 panning);

    bool GetEQEnabled();
    // levels always ends up with exactly ten entries, one per band; all 0
    // when no window is known or when an answer does not fit (then false).
    [[nodiscard]] bool GetEQStat(QList<quint8> &levels);
    void SetEQStat(quint8 band, quint8 level);
    std::optional<quint8> GetEQPreAmp();

    QString GetVersion();
    QString GetCaption();
    QString GetStrippedCaption();

    std::optional<QString> GetTrackLength();
    std::optional<QString> GetTrackPos();
    qint32 GetPlayedPercent();

    // These work without a window.
    static QString GetArtist(const QString &text);
    static QString GetTrack(const QString &text);
    static qint16 ScaleAmp(quint8 level);
    static std::optional<quint8> EqRawToLevel(qint32 raw);
    static quint8 EqLevelToRaw(quint8 level);
    // Whole minutes, ":", two-digit seconds. A negative value, which the
    // player uses for "no track", reads as 0:00.
    static QString FormatMinSec(qint16 seconds);

private:
    qint32 send(quint32 message, qint32 wParam, qint32 lParam);
    std::optional<QString> formatSeconds(qint64 seconds);

    std::shared_ptr<PlayerTransport> m_transport;
    VersionSource m_winAmpVersion;
    WindowHandle m_window = 0;
    bool m_gotWindow = false;
};

// WinAmpVersion as the settings store holds it right now ("Studio" when the
// key is absent). The backend must outlive the returned source.
clsWinAMP::VersionSource StoredWinAmpVersion(const SettingsBackend &backend);

// The main window's start-up step: creates the link if there is none yet
// (which looks the player up) and looks up once more if no window is known.
void GetWAInfo(std::unique_ptr<clsWinAMP> &player, const std::shared_ptr<PlayerTransport> &transport,
    const clsWinAMP::VersionSource &winAmpVersion);

// The same with this platform's transport and WinAmpVersion read from the
// settings store at each look-up; the backend must outlive the link.
void GetWAInfo(std::unique_ptr<clsWinAMP> &player, const SettingsBackend &backend);

} // namespace zorvan
