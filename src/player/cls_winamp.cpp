#include "player/cls_winamp.h"

#include "settings/settings_backend.h"
#include "settings/settings_store.h"

#include <limits>
#include <utility>

namespace zorvan {

namespace {

constexpr qint32 kRequestVersion = 0;
constexpr qint32 kRequestPlaybackState = 104;
constexpr qint32 kRequestPlaybackPos = 105;
constexpr qint32 kRequestSeek = 106;
constexpr qint32 kRequestPlaylistPos = 121;
constexpr qint32 kRequestVolume = 122;
constexpr qint32 kRequestPanning = 123;
constexpr qint32 kRequestTrackInfo = 126;
constexpr qint32 kRequestEqData = 127;
constexpr qint32 kRequestSetEqData = 128;

constexpr qint32 kEqPreAmpIndex = 10;
constexpr qint32 kEqEnabledIndex = 11;
constexpr qint32 kModePositionMs = 0;
constexpr qint32 kModeLengthSeconds = 1;
constexpr qint32 kStatePlaying = 1;
constexpr qint32 kStatePaused = 3;
constexpr qint32 kEqRawMax = 63;
constexpr int kLevelMax = 255;

// Only blanks, as the caption rule asks; tabs and other white space stay.
QString trimBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

QString removeStateSuffix(QString text, QLatin1StringView suffix)
{
    if (text.toLower().endsWith(suffix))
        text.chop(suffix.size());
    return text;
}

QString stripCaption(const QString &caption)
{
    if (caption.isEmpty())
        return {};
    // Nothing loaded: the player shows its own name and version.
    if (caption.left(6).toLower() == QLatin1String("winamp"))
        return caption;

    QString text = removeStateSuffix(caption, QLatin1StringView("(paused)"));
    text = removeStateSuffix(text, QLatin1StringView("(stopped)"));
    text = removeStateSuffix(text, QLatin1StringView("(playing)"));

    // A dot among the first four characters ends the playlist number
    // ("12."); a later dot belongs to the song.
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    if (dot >= 0 && dot < 4)
        text = text.mid(dot + 1);

    return trimBlanks(text).toUpper();
}

qint64 floorDiv(qint64 numerator, qint64 denominator)
{
    qint64 quotient = numerator / denominator;
    if ((numerator % denominator != 0) && ((numerator < 0) != (denominator < 0)))
        --quotient;
    return quotient;
}

// Rounds numerator / denominator (both >= 0) to the nearest integer. With
// the divisors used here (63 and 255) an exact half cannot occur.
qint64 roundDiv(qint64 numerator, qint64 denominator)
{
    return (2 * numerator + denominator) / (2 * denominator);
}

QString windowClassFor(const QString &winAmpVersion)
{
    if (winAmpVersion == kWinampV1Setting)
        return kWinampV1Class;
    if (winAmpVersion == kStudioSetting)
        return kStudioClass;
    return {};
}

} // namespace

clsWinAMP::clsWinAMP(std::shared_ptr<PlayerTransport> transport, VersionSource winAmpVersion)
    : m_transport(std::move(transport))
    , m_winAmpVersion(std::move(winAmpVersion))
{
    GetWinAMPWnd();
}

clsWinAMP::clsWinAMP(std::shared_ptr<PlayerTransport> transport, const QString &winAmpVersion)
    : clsWinAMP(std::move(transport), [winAmpVersion] { return winAmpVersion; })
{
}

WindowHandle clsWinAMP::GetWinAMPWnd()
{
    const QString version = m_winAmpVersion ? m_winAmpVersion() : kDefaultWinAmpVersion;
    const QString windowClass = windowClassFor(version);
    WindowHandle found = 0;
    if (!windowClass.isEmpty() && m_transport)
        found = m_transport->findWindow(windowClass);
    m_window = found;
    m_gotWindow = found != 0;
    return found;
}

qint32 clsWinAMP::send(quint32 message, qint32 wParam, qint32 lParam)
{
    return m_transport->sendMessage(m_window, message, wParam, lParam);
}

void clsWinAMP::SendCommand(qint32 commandId)
{
    if (!m_gotWindow)
        return;
    send(kWmCommand, commandId, 0);
    if (commandId == kCloseCommand)
        GetWinAMPWnd();
}

qint32 clsWinAMP::SendUserCommand(qint32 requestId)
{
    if (!m_gotWindow)
        return 0;
    return send(kWmUser, requestId, 0);
}

qint32 clsWinAMP::GetPlayTrackInfo(qint32 mode)
{
    if (!m_gotWindow)
        return 0;
    return send(kWmUser, mode, kRequestTrackInfo);
}

QString clsWinAMP::GetPlaybackState()
{
    if (!m_gotWindow)
        return {};
    switch (send(kWmUser, 0, kRequestPlaybackState)) {
    case kStatePlaying:
        return QStringLiteral("Playing");
    case kStatePaused:
        return QStringLiteral("Paused");
    default:
        return QStringLiteral("Stopped");
    }
}

qint32 clsWinAMP::GetPlaybackPos(qint32 mode)
{
    if (!m_gotWindow)
        return 0;
    return send(kWmUser, mode, kRequestPlaybackPos);
}

void clsWinAMP::SeekTo(qint32 positionMs)
{
    if (m_gotWindow)
        send(kWmUser, positionMs, kRequestSeek);
}

void clsWinAMP::SetPlaylistTrack(qint16 index)
{
    if (m_gotWindow)
        send(kWmUser, index, kRequestPlaylistPos);
}

void clsWinAMP::SetVolume(quint8 volume)
{
    if (m_gotWindow)
        send(kWmUser, volume, kRequestVolume);
}

void clsWinAMP::SetPanning(quint8 panning)
{
    if (m_gotWindow)
        send(kWmUser, panning, kRequestPanning);
}

bool clsWinAMP::GetEQEnabled()
{
    if (!m_gotWindow)
        return false;
    return send(kWmUser, kEqEnabledIndex, kRequestEqData) != 0;
}

bool clsWinAMP::GetEQStat(QList<quint8> &levels)
{
    levels = QList<quint8>(kEqBandCount, 0);
    if (!m_gotWindow)
        return true;
    QList<quint8> read(kEqBandCount, 0);
    for (qint32 band = 0; band < kEqBandCount; ++band) {
        const std::optional<quint8> level = EqRawToLevel(send(kWmUser, band, kRequestEqData));
        if (!level)
            return false;
        read[band] = *level;
    }
    levels = read;
    return true;
}

void clsWinAMP::SetEQStat(quint8 band, quint8 level)
{
    if (!m_gotWindow)
        return;
    send(kWmUser, band, kRequestEqData);
    send(kWmUser, EqLevelToRaw(level), kRequestSetEqData);
}

std::optional<quint8> clsWinAMP::GetEQPreAmp()
{
    if (!m_gotWindow)
        return quint8(0);
    return EqRawToLevel(send(kWmUser, kEqPreAmpIndex, kRequestEqData));
}

QString clsWinAMP::GetVersion()
{
    if (!m_gotWindow)
        return {};
    const auto answer = static_cast<quint32>(send(kWmUser, 0, kRequestVersion));
    return QString::number(answer, 16).toUpper().remove(QLatin1Char('0'));
}

QString clsWinAMP::GetCaption()
{
    if (!m_gotWindow)
        return {};
    QString text = m_transport->windowText(m_window, kCaptionBufferSize);
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text.truncate(nul);
    text.truncate(kCaptionBufferSize - 1);
    return text;
}

QString clsWinAMP::GetStrippedCaption()
{
    return stripCaption(GetCaption());
}

QString clsWinAMP::GetArtist(const QString &text)
{
    const qsizetype separator = text.indexOf(QLatin1String(" - "));
    return separator < 0 ? QString() : text.left(separator);
}

QString clsWinAMP::GetTrack(const QString &text)
{
    const qsizetype separator = text.indexOf(QLatin1String(" - "));
    return separator < 0 ? QString() : text.mid(separator + 3);
}

std::optional<QString> clsWinAMP::formatSeconds(qint64 seconds)
{
    if (seconds < std::numeric_limits<qint16>::min() || seconds > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return FormatMinSec(static_cast<qint16>(seconds));
}

std::optional<QString> clsWinAMP::GetTrackLength()
{
    if (!m_gotWindow)
        return QString();
    return formatSeconds(GetPlaybackPos(kModeLengthSeconds));
}

std::optional<QString> clsWinAMP::GetTrackPos()
{
    if (!m_gotWindow)
        return QString();
    // Integer division drops the remainder toward zero, so -1 ms ("not
    // playing") reads as 0 s.
    return formatSeconds(GetPlaybackPos(kModePositionMs) / 1000);
}

qint32 clsWinAMP::GetPlayedPercent()
{
    if (!m_gotWindow)
        return 0;
    const qint64 lengthSeconds = GetPlaybackPos(kModeLengthSeconds);
    const qint64 positionMs = GetPlaybackPos(kModePositionMs);
    if (lengthSeconds <= 0 || positionMs <= 0)
        return 0;
    // Whole numbers throughout: the share is exact and the product of a
    // long length and 1000 cannot overflow in 64 bits.
    return static_cast<qint32>(positionMs * 100 / (lengthSeconds * 1000));
}

qint16 clsWinAMP::ScaleAmp(quint8 level)
{
    // (level - 127) / (127 / 20), rounded down; whole numbers keep the
    // rounding exact where a step is reached exactly, as at level 0.
    return static_cast<qint16>(floorDiv((qint64(level) - 127) * 20, 127));
}

std::optional<quint8> clsWinAMP::EqRawToLevel(qint32 raw)
{
    // The player's scale is 0..63; anything else does not fit a level.
    if (raw < 0 || raw > kEqRawMax)
        return std::nullopt;
    return static_cast<quint8>(kLevelMax - roundDiv(qint64(raw) * kLevelMax, kEqRawMax));
}

quint8 clsWinAMP::EqLevelToRaw(quint8 level)
{
    return static_cast<quint8>(roundDiv((qint64(kLevelMax) - level) * kEqRawMax, kLevelMax));
}

QString clsWinAMP::FormatMinSec(qint16 seconds)
{
    if (seconds < 0)
        return QStringLiteral("0:00");
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

clsWinAMP::VersionSource StoredWinAmpVersion(const SettingsBackend &backend)
{
    return [&backend] {
        return backend.read(kSettingsSection, kWinAmpVersionKey).value_or(kDefaultWinAmpVersion);
    };
}

void GetWAInfo(std::unique_ptr<clsWinAMP> &player, const std::shared_ptr<PlayerTransport> &transport,
    const clsWinAMP::VersionSource &winAmpVersion)
{
    if (!player)
        player = std::make_unique<clsWinAMP>(transport, winAmpVersion);
    if (!player->GotWnd())
        player->GetWinAMPWnd();
}

void GetWAInfo(std::unique_ptr<clsWinAMP> &player, const SettingsBackend &backend)
{
    // Making the transport costs nothing: it reaches the system only when
    // a look-up actually searches.
    GetWAInfo(player, SystemPlayerTransport(), StoredWinAmpVersion(backend));
}

} // namespace zorvan
