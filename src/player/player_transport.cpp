#include "player/player_transport.h"

#ifdef Q_OS_WIN
#include "player/win32_transport_win32.h"
#else
#include "player/mpris_transport.h"
#endif

namespace zorvan {

std::shared_ptr<PlayerTransport> SystemPlayerTransport()
{
#ifdef Q_OS_WIN
    return std::make_shared<Win32PlayerTransport>();
#else
    return std::make_shared<MprisPlayerTransport>();
#endif
}

} // namespace zorvan
