#pragma once

#include <optional>

namespace zorvan {

// The three buttons that start an upload ending with the store command.
enum class UploadButton { SendSettings, SendRtAndPs, SynchronizeTime };

inline constexpr UploadButton kUploadButtons[]
    = { UploadButton::SendSettings, UploadButton::SendRtAndPs, UploadButton::SynchronizeTime };

// Whether `button` is enabled while the upload of `running` is under way
// (none: no upload). The pressed button stays enabled, so the operator sees
// which upload runs; the two others wait for its end. Other transmissions
// (the song engine, the mode) leave all three as they are.
constexpr bool UploadButtons(UploadButton button, std::optional<UploadButton> running)
{
    return !running || *running == button;
}

} // namespace zorvan
